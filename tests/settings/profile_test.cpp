#include "platform/profile.h"

#include "fake_converter.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>

namespace calm {
namespace {

namespace fs = std::filesystem;

struct ReadCase
{
    const char* what;
    std::string file;
    const char* section;
    const char* key;
    std::optional<std::string> value;
};

TEST(Profile, ReadsAValueAsTheSystemDoes)
{
    const ReadCase cases[] = {
        {"names match without regard to case", "[Options]\nShakiness=7\n", "options", "SHAKINESS",
         "7"},
        {"blanks around the value are dropped", "[options]\n  shakiness  =  7 \t\n", "options",
         "shakiness", "7"},
        {"double quotes are removed, blanks inside kept", "[options]\nshakiness = \"  7 \"\n",
         "options", "shakiness", "  7 "},
        {"single quotes are removed", "[options]\nshakiness='abc'\n", "options", "shakiness",
         "abc"},
        {"quotes that do not match are kept", "[options]\nshakiness=\"abc'\n", "options",
         "shakiness", "\"abc'"},
        {"a lone quote is kept", "[options]\nshakiness=\"\n", "options", "shakiness", "\""},
        {"lines ending in CR LF", "[options]\r\nshakiness=7\r\n", "options", "shakiness", "7"},
        {"an indented header with blanks inside, no final line break",
         "  [ options ]  \nshakiness=4", "options", "shakiness", "4"},
        {"a section after others", "[a]\nshakiness=1\n\n[options]\nshakiness=9\n", "options",
         "shakiness", "9"},
        {"the first of two equal keys", "[options]\nshakiness=1\nSHAKINESS=2\n", "options",
         "shakiness", "1"},
        {"an empty value is present", "[options]\nshakiness=\n", "options", "shakiness", ""},
        {"a value holding '='", "[options]\nshakiness=a=b\n", "options", "shakiness", "a=b"},
        {"bytes of any code page come back as they are", "[options]\nshakiness=caf\xe9\n",
         "options", "shakiness", "caf\xe9"},
        {"a key of another section is not taken", "[other]\nshakiness=7\n[options]\nsmooth=3\n",
         "options", "shakiness", std::nullopt},
        {"a key before any section is not taken", "shakiness=7\n[options]\n", "options",
         "shakiness", std::nullopt},
        {"a line without '=' is no key", "[options]\nshakiness\n", "options", "shakiness",
         std::nullopt},
        {"an empty file", "", "options", "shakiness", std::nullopt},
        {"at most 2047 characters", "[options]\nmincontrast=" + std::string(3000, 'x') + "\n",
         "options", "mincontrast", std::string(2047, 'x')},
        {"2047 characters after the quotes are gone",
         "[options]\nmincontrast=\"" + std::string(2047, 'y') + "\"\n", "options", "mincontrast",
         std::string(2047, 'y')},
    };
    for (const auto& c : cases)
        EXPECT_EQ(profile_value(c.file, c.section, c.key), c.value) << c.what;
}

struct WriteCase
{
    const char* what;
    std::string before;
    const char* key;
    std::string value;
    std::string after;
};

TEST(Profile, WritesOnlyTheKeysLine)
{
    const WriteCase cases[] = {
        {"an empty file gets the section and the key", "", "shakiness", "5",
         "[options]\nshakiness=5\n"},
        {"a present key is replaced in place, every other line kept",
         "; my settings\n[options]\nshakiness = 3\naccuracy=15\n\n[other]\nshakiness=1\n",
         "shakiness", "7",
         "; my settings\n[options]\nshakiness=7\naccuracy=15\n\n[other]\nshakiness=1\n"},
        {"a present key keeps the file's spelling", "[OPTIONS]\nShakiness=3\n", "shakiness", "7",
         "[OPTIONS]\nShakiness=7\n"},
        {"only the first of two equal keys changes", "[options]\nshakiness=1\nshakiness=2\n",
         "shakiness", "7", "[options]\nshakiness=7\nshakiness=2\n"},
        {"a missing key goes to its section's end, before the blank line",
         "[options]\nshakiness=3\n; note\n\n[other]\nx=1\n", "accuracy", "9",
         "[options]\nshakiness=3\n; note\naccuracy=9\n\n[other]\nx=1\n"},
        {"a missing section goes to the end of the file", "[other]\nx=1\n", "shakiness", "5",
         "[other]\nx=1\n\n[options]\nshakiness=5\n"},
        {"a last line without a line break gets one", "[options]\nshakiness=3", "accuracy", "9",
         "[options]\nshakiness=3\naccuracy=9\n"},
        {"a file with CR LF gets CR LF", "[options]\r\nshakiness=3\r\n", "accuracy", "9",
         "[options]\r\nshakiness=3\r\naccuracy=9\r\n"},
        {"a line break in the value adds no line", "[options]\n", "shakiness", "1\n[x]\r",
         "[options]\nshakiness=1 [x] \n"},
        {"bytes of any code page are kept and written", "[options]\nname=caf\xe9\n", "shakiness",
         "\xff", "[options]\nname=caf\xe9\nshakiness=\xff\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(profile_with_value(c.before, "options", c.key, c.value), c.after) << c.what;
}

TEST(Profile, FileReadAndWrite)
{
    test::FakeConverter folder(false);
    const auto path = (folder.root() / "calmview.ini").string();
    EXPECT_EQ(read_profile_string(path, "options", "shakiness", "5"), "5") << "no file";
    write_profile_string(path, "options", "shakiness", "8");
    write_profile_string(path, "Options", "smoothing", "\"12\"");
    EXPECT_EQ(test::read_file(path), "[options]\nshakiness=8\nsmoothing=\"12\"\n");
    EXPECT_EQ(read_profile_string(path, "OPTIONS", "shakiness", "5"), "8");
    EXPECT_EQ(read_profile_string(path, "options", "smoothing", "10"), "12");
    EXPECT_EQ(read_profile_string(path, "options", "accuracy", "15"), "15") << "missing key";
}

TEST(Profile, AFileThatCannotBeWrittenNamesItsFullPath)
{
    test::FakeConverter folder(false);
    test::write_file(folder.root() / "plain", "not a folder");
    fs::create_directory(folder.root() / "calmview.ini");
    const std::string relative = "calm-no-such-folder-" + folder.root().filename().string();
    struct Case
    {
        const char* what;
        std::string path;
        std::string shown;
    };
    const Case cases[] = {
        {"its folder is a file", (folder.root() / "plain/calmview.ini").string(),
         (folder.root() / "plain/calmview.ini").string()},
        {"a folder stands in its place", (folder.root() / "calmview.ini").string(),
         (folder.root() / "calmview.ini").string()},
        {"a relative path under a missing folder", relative + "/calmview.ini",
         (fs::current_path() / relative / "calmview.ini").string()},
    };
    for (const auto& c : cases) {
        try {
            write_profile_string(c.path, "options", "shakiness", "5");
            ADD_FAILURE() << c.what << ": no error";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + c.shown) << c.what;
        }
        EXPECT_EQ(read_profile_string(c.path, "options", "shakiness", "5"), "5") << c.what;
    }
}

} // namespace
} // namespace calm
