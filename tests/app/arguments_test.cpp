#include "app/arguments.h"

#include <gtest/gtest.h>

namespace calm {
namespace {

TEST(Arguments, FileAndUsageErrors)
{
    using Files = std::vector<std::string>;
    const struct
    {
        const char* shows;
        std::vector<std::string> args;
        Files files;
        std::string error;
    } cases[] = {
        {"nothing: just the window", {}, {}, ""},
        {"an absolute name as it is", {"/v/my clip.mp4"}, {"/v/my clip.mp4"}, ""},
        {"a relative name under the working folder", {"clips/a.mp4"}, {"/home/u/clips/a.mp4"}, ""},
        {"a leading ./ dropped", {"./a.mp4"}, {"/home/u/a.mp4"}, ""},
        {"any extension: the drop routine decides", {"notes.txt"}, {"/home/u/notes.txt"}, ""},
        {"bytes of any encoding kept", {"/v/\xE4\xF6.mkv"}, {"/v/\xE4\xF6.mkv"}, ""},
        {"a lone dash is a name", {"-"}, {"/home/u/-"}, ""},
        {"-- lets a name start with a dash", {"--", "-x.mp4"}, {"/home/u/-x.mp4"}, ""},
        {"a second -- after it is a name", {"--", "--"}, {"/home/u/--"}, ""},
        {"an unknown short option", {"-x"}, {}, "unknown option '-x'"},
        {"an unknown long option after the file",
         {"a.mp4", "--fast"},
         {"/home/u/a.mp4"},
         "unknown option '--fast'"},
        {"two files", {"a.mp4", "b.mp4"}, {"/home/u/a.mp4"}, "only one FILE can be given"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        const auto got = parse_arguments(c.args, "/home/u");
        EXPECT_EQ(got.error, c.error);
        if (c.error.empty()) {
            EXPECT_EQ(got.files, c.files);
        }
    }
}

TEST(Arguments, WorkingFolderWithItsSeparatorOrUnknown)
{
    EXPECT_EQ(parse_arguments({"a.mp4"}, "/").files, std::vector<std::string>{"/a.mp4"});
    // No working folder (it was removed): the name stays as given.
    EXPECT_EQ(parse_arguments({"a.mp4"}, "").files, std::vector<std::string>{"a.mp4"});
}

} // namespace
} // namespace calm
