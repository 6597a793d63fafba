// Any bytes as the names of the source, the target and the frame file, and
// as the parameter texts: each name reaches the converter as exactly one
// argument, unchanged, in its place; the Windows form holds each name
// verbatim in its quotes, and split again by the Windows rules it gives the
// same arguments whenever the name can stand in quotes there (no quote in
// it, no backslash at its end).

#include "check.h"
#include "converter/command_line.h"
#include "job/commands.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

const std::string program = "/opt/calm ora/lib/calmora/calm/client.exe";

// Up to `count` pieces split at byte 0xFF (which a piece then cannot hold).
std::vector<std::string> pieces(std::string_view data, std::size_t count)
{
    std::vector<std::string> out;
    while (out.size() + 1 < count) {
        const auto at = data.find('\xff');
        if (at == std::string_view::npos)
            break;
        out.emplace_back(data.substr(0, at));
        data.remove_prefix(at + 1);
    }
    out.emplace_back(data);
    out.resize(count);
    return out;
}

bool quotable(const std::string& name)
{
    return name.find('"') == std::string::npos && (name.empty() || name.back() != '\\');
}

// The Windows form read back by the Windows rules, the program path aside.
std::vector<std::string> resplit(const calm::CommandLine& line)
{
    const std::string form = line.windows_form();
    CALM_CHECK(form.compare(0, program.size(), program) == 0);
    return calm::CommandLine(program).text(form.substr(program.size())).argv();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto p = pieces(std::string_view(reinterpret_cast<const char*>(data), size), 4);
    const std::string& source = p[0];
    const std::string& target = p[1];
    const std::string& frame = p[2];
    const std::string& parameter = p[3];

    // The probe and the preview, built as the program builds them.
    const auto probe = calm::CommandLine(program).text(" -i ").file(source);
    CALM_CHECK(probe.argv() == (std::vector<std::string>{program, "-i", source}));
    CALM_CHECK(probe.windows_form() == program + " -i \"" + source + "\"");
    if (quotable(source))
        CALM_CHECK(resplit(probe) == probe.argv());

    const auto preview = calm::CommandLine(program)
                             .text(" -ss 00:00:35.26 -i ")
                             .file(source)
                             .text(" -y -vframes 1 -s 429x241 ")
                             .file(frame);
    CALM_CHECK(preview.argv() ==
               (std::vector<std::string>{program, "-ss", "00:00:35.26", "-i", source, "-y",
                                         "-vframes", "1", "-s", "429x241", frame}));
    CALM_CHECK(preview.windows_form() == program + " -ss 00:00:35.26 -i \"" + source +
                                             "\" -y -vframes 1 -s 429x241 \"" + frame + "\"");
    if (quotable(source) && quotable(frame))
        CALM_CHECK(resplit(preview) == preview.argv());

    // The two passes: the names stand whole after "-i" and at the end, and
    // parameter texts cannot move them.
    calm::MediaInfo info;
    info.filename = source;
    info.videobitrate = "4987";
    calm::Parameters params;
    params.smoothing = parameter.find_first_of(" \t\"\\") == std::string::npos ? parameter : "10";
    const auto analysis = calm::analysis_command(program, info, params).argv();
    CALM_CHECK(analysis.size() == 9 && analysis[1] == "-i" && analysis[2] == source);
    const auto transform = calm::transform_command(program, info, target, params).argv();
    const bool same_type = transform.size() > 3 && transform[3] == "-c:a";
    CALM_CHECK(transform.size() == (same_type ? 13u : 11u));
    CALM_CHECK(transform[1] == "-i" && transform[2] == source && transform.back() == target);

    // Literal text alone may hold anything; splitting it never fails.
    (void)calm::CommandLine(program).text(parameter).argv();
    return 0;
}
