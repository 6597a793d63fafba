#include "converter/command_line.h"

#include <gtest/gtest.h>

namespace calm {
namespace {

struct Case
{
    const char* shows;
    CommandLine line;
    std::string windows;
    std::vector<std::string> argv;
};

std::vector<Case> cases()
{
    const std::string p = "/opt/x y/calm/client.exe";
    return {
        {"no arguments: the path alone, even with a blank in it", CommandLine(p), p, {p}},
        {"probe form with a plain file",
         CommandLine(p).text(" -i ").file("/v/clip.mp4"),
         p + " -i \"/v/clip.mp4\"",
         {p, "-i", "/v/clip.mp4"}},
        {"file name with blanks is one argument",
         CommandLine(p).text(" -i ").file("/v/my clip.mp4"),
         p + " -i \"/v/my clip.mp4\"",
         {p, "-i", "/v/my clip.mp4"}},
        {"double quotes in a file name cannot close its quotes",
         CommandLine(p).text(" -i ").file("/v/a\" -y \"/etc/x.mp4"),
         p + " -i \"/v/a\" -y \"/etc/x.mp4\"",
         {p, "-i", "/v/a\" -y \"/etc/x.mp4"}},
        {"trailing backslash stays in the name",
         CommandLine(p).text(" -i ").file("/v/dir\\").text(" -y"),
         p + " -i \"/v/dir\\\" -y",
         {p, "-i", "/v/dir\\", "-y"}},
        {"leading dash is a name, not an option",
         CommandLine(p).text(" -i ").file("-y.mp4"),
         p + " -i \"-y.mp4\"",
         {p, "-i", "-y.mp4"}},
        {"non-ASCII and non-UTF-8 bytes pass unchanged",
         CommandLine(p).text(" -i ").file("/v/\xC3\xA9t\xE9\xFF.mp4"),
         p + " -i \"/v/\xC3\xA9t\xE9\xFF.mp4\"",
         {p, "-i", "/v/\xC3\xA9t\xE9\xFF.mp4"}},
        {"empty file name is still one argument",
         CommandLine(p).text(" -i ").file("").text(" -y"),
         p + " -i \"\" -y",
         {p, "-i", "", "-y"}},
        {"double blanks of the literal text are kept in the text form only",
         CommandLine(p).text(" -c:a copy  -q:v 0 -y"),
         p + " -c:a copy  -q:v 0 -y",
         {p, "-c:a", "copy", "-q:v", "0", "-y"}},
        {"tabs separate literal arguments",
         CommandLine(p).text("\t-a\t\tb"),
         p + "\t-a\t\tb",
         {p, "-a", "b"}},
        {"literal quotes group and vanish",
         CommandLine(p).text(" \"a b\" c\"d e\"f"),
         p + " \"a b\" c\"d e\"f",
         {p, "a b", "cd ef"}},
        {"literal backslashes: literal unless before a quote",
         CommandLine(p).text(" a\\b a\\\\\"b c\" a\\\"b"),
         p + " a\\b a\\\\\"b c\" a\\\"b",
         {p, "a\\b", "a\\b c", "a\"b"}},
        {"a doubled quote inside quotes is a literal quote",
         CommandLine(p).text(" \"a\"\"b\""),
         p + " \"a\"\"b\"",
         {p, "a\"b"}},
        {"file joined to literal text forms one argument",
         CommandLine(p).text(" input=").file("/t/my calm.trf").text(":x"),
         p + " input=\"/t/my calm.trf\":x",
         {p, "input=/t/my calm.trf:x"}},
        {"preview form: seek before input, two file names",
         CommandLine(p).text(" -ss 00:00:35.26 -i ").file("/v/a b.mp4")
             .text(" -y -vframes 1 -s 429x241 ").file("/prog/preview.bmp"),
         p + " -ss 00:00:35.26 -i \"/v/a b.mp4\" -y -vframes 1 -s 429x241 \"/prog/preview.bmp\"",
         {p, "-ss", "00:00:35.26", "-i", "/v/a b.mp4", "-y", "-vframes", "1", "-s", "429x241",
          "/prog/preview.bmp"}},
    };
}

TEST(CommandLine, BothFormsAgreeForEveryCase)
{
    for (const auto& c : cases()) {
        SCOPED_TRACE(c.shows);
        EXPECT_EQ(c.line.windows_form(), c.windows);
        EXPECT_EQ(c.line.argv(), c.argv);
    }
}

} // namespace
} // namespace calm
