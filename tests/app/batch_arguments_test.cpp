// The --fix command line: every option, every usage error, default targets.

#include "app/batch_arguments.h"

#include <gtest/gtest.h>

namespace calm {
namespace {

using Args = std::vector<std::string>;

TEST(BatchArguments, EachOptionIsRead)
{
    const auto parsed =
        parse_batch_arguments({"-o", "out.mp4", "--overwrite", "-j", "1", "-q", "--shakiness", "8",
                               "--mincontrast=0.5", "--smoothing", "0", "--zoom", "-20",
                               "--optzoom", "0", "--crop=black", "--tripod", "--", "-clip.mp4"});
    ASSERT_TRUE(std::holds_alternative<BatchArguments>(parsed))
        << std::get<UsageError>(parsed).message;
    const auto& a = std::get<BatchArguments>(parsed);
    EXPECT_EQ(a.output, "out.mp4");
    EXPECT_TRUE(a.overwrite);
    EXPECT_EQ(a.jobs, 1);
    EXPECT_TRUE(a.quiet);
    EXPECT_EQ(a.sources, Args{"-clip.mp4"});
    const Parameters p = with_given(Parameters{}, a);
    EXPECT_EQ(p.shakiness, "8");
    EXPECT_EQ(p.mincontrast, "0.5");
    EXPECT_EQ(p.smoothing, "0");
    EXPECT_EQ(p.zoom, "-20");
    EXPECT_EQ(p.optzoom, AutoZoom::off);
    EXPECT_EQ(p.crop, Borders::black);
    EXPECT_TRUE(p.tripod);
    EXPECT_EQ(p.accuracy, Parameters{}.accuracy) << "a parameter not given keeps its value";
}

TEST(BatchArguments, DefaultsAndSeveralSources)
{
    const auto parsed = parse_batch_arguments({"a.mp4", "-d", "/out", "b.mkv"});
    ASSERT_TRUE(std::holds_alternative<BatchArguments>(parsed));
    const auto& a = std::get<BatchArguments>(parsed);
    EXPECT_EQ(a.sources, (Args{"a.mp4", "b.mkv"}));
    EXPECT_EQ(a.output_folder, "/out");
    EXPECT_EQ(a.jobs, 2);
    EXPECT_FALSE(a.overwrite);
    EXPECT_FALSE(a.quiet);
    EXPECT_TRUE(a.parameters.empty());
}

TEST(BatchArguments, UsageErrorsNameTheRule)
{
    struct Case
    {
        Args args;
        const char* says;
    } cases[] = {
        {{}, "at least one SOURCE"},
        {{"-o", "x.mp4"}, "at least one SOURCE"},
        {{"-o", "x.mp4", "a.mp4", "b.mp4"}, "exactly one SOURCE"},
        {{"-o", "x.mp4", "-d", "/out", "a.mp4"}, "cannot be used together"},
        {{"a.mp4", "-o"}, "-o needs a file name"},
        {{"--jobs", "3", "a.mp4"}, "--jobs takes 1 or 2"},
        {{"-j", "a.mp4"}, "-j takes 1 or 2"},
        {{"--bogus", "a.mp4"}, "unknown option --bogus"},
        {{"--overwrite=yes", "a.mp4"}, "--overwrite takes no value"},
        {{"--shakiness", "11", "a.mp4"}, "Shakiness accepts an integer in the range 1-10 !"},
        {{"--shakiness", "0", "a.mp4"}, "Shakiness accepts an integer in the range 1-10 !"},
        {{"--accuracy", "x", "a.mp4"}, "Accuracy accepts an integer in the range 1-15 !"},
        {{"--stepsize", "1000", "a.mp4"}, "--stepsize takes at most 3 characters"},
        {{"--stepsize", "0", "a.mp4"}, "Stepsize accepts an integer more than 0 !"},
        {{"--mincontrast", "1.5", "a.mp4"}, "range 0-1"},
        {{"--mincontrast", "0.1.", "a.mp4"}, "range 0-1"},
        {{"--mincontrast", ".", "a.mp4"}, "range 0-1"},
        {{"--smoothing", "-1", "a.mp4"}, "Smoothing accepts an integer more than -1 !"},
        {{"--smoothing", "", "a.mp4"}, "--smoothing needs a value"},
        {{"--smoothing"}, "--smoothing needs a value"},
        {{"--zoom", "101", "a.mp4"}, "range -100 to 100"},
        {{"--zoom", "1-", "a.mp4"}, "range -100 to 100"},
        {{"--optzoom", "3", "a.mp4"}, "--optzoom takes 0 (off), 1 (static) or 2 (adaptive)"},
        {{"--crop", "white", "a.mp4"}, "--crop takes keep or black"},
        {{"--tripod=1", "a.mp4"}, "--tripod takes no value"},
    };
    for (const auto& c : cases) {
        const auto parsed = parse_batch_arguments(c.args);
        ASSERT_TRUE(std::holds_alternative<UsageError>(parsed)) << c.says;
        EXPECT_NE(std::get<UsageError>(parsed).message.find(c.says), std::string::npos)
            << std::get<UsageError>(parsed).message;
    }
}

TEST(BatchArguments, DefaultTargetKeepsTheSourcesExtension)
{
    struct Case
    {
        const char* source;
        const char* folder;
        const char* target;
    } cases[] = {
        {"/v/clip.mp4", "", "/v/clip-steady.mp4"},
        {"/v/clip.MOV", "/out", "/out/clip-steady.MOV"},
        {"clip.mkv", "", "clip-steady.mkv"},
        {"/v/my trip.2024.mp4", "", "/v/my trip.2024-steady.mp4"},
        {"/v/noextension", "", "/v/noextension-steady"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(default_target(c.source, c.folder), c.target) << c.source;
}

} // namespace
} // namespace calm
