// The desktop entry offers the program for the files its drop routine takes,
// by the system's own table of types (shared-mime-info), and hands the
// chosen file to `calmora FILE`.
#include "fake_converter.h"
#include "media/video_extensions.h"

#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

namespace calm {
namespace {

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        if (!part.empty())
            out.push_back(part);
    return out;
}

// "Key=value" lines of the file, the last one winning.
std::map<std::string, std::string> entry_keys(const std::string& text)
{
    std::map<std::string, std::string> out;
    for (const auto& line : split(text, '\n'))
        if (const auto eq = line.find('='); eq != std::string::npos)
            out[line.substr(0, eq)] = line.substr(eq + 1);
    return out;
}

const std::string mime_folder = "/usr/share/mime/";

// Types whose glob is exactly "*.ext", from globs2 lines "50:video/mp4:*.mp4".
std::set<std::string> types_of_extension(const std::string& ext)
{
    std::set<std::string> out;
    for (const auto& line : split(test::read_file(mime_folder + "globs2"), '\n')) {
        const auto fields = split(line, ':');
        if (fields.size() >= 3 && fields[2] == "*." + ext)
            out.insert(fields[1]);
    }
    return out;
}

// An alias names its type: "video/avi video/x-msvideo".
std::string canonical_type(const std::string& type)
{
    for (const auto& line : split(test::read_file(mime_folder + "aliases"), '\n')) {
        const auto fields = split(line, ' ');
        if (fields.size() == 2 && fields[0] == type)
            return fields[1];
    }
    return type;
}

TEST(DesktopEntry, OpensTheVideoTypesTheProgramTakesAndNothingElse)
{
    const auto keys = entry_keys(test::read_file(CALM_SOURCE_DIR "/data/calmora.desktop"));
    EXPECT_EQ(keys.at("Exec"), "calmora %f");
    std::set<std::string> offered;
    for (const auto& t : split(keys.at("MimeType"), ';'))
        offered.insert(canonical_type(t));

    std::set<std::string> taken;
    for (const auto& ext : listed_extensions()) {
        SCOPED_TRACE(ext);
        const auto types = types_of_extension(ascii_lower(ext));
        ASSERT_FALSE(types.empty()) << "the system knows no type for it";
        bool covered = false;
        for (const auto& t : types) {
            taken.insert(t);
            covered = covered || offered.count(t) > 0;
        }
        EXPECT_TRUE(covered) << "not offered";
    }
    for (const auto& t : offered)
        EXPECT_TRUE(taken.count(t) > 0) << t << " is offered, but its files are not taken";
}

} // namespace
} // namespace calm
