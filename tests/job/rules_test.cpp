#include "fake_converter.h"
#include "job/commands.h"
#include "job/pass_output.h"
#include "job/target.h"
#include "platform/dialogs.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace calm {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

TEST(SaveTypes, OffersTheSourcesOwnTypeFirstAndNoTypeTwice)
{
    struct Case
    {
        const char* shows;
        const char* source;
        std::string filter;
        const char* default_ext;
        std::size_t types;
    };
    const std::string all_but_mkv = "*.AVI|*.avi|*.MPG|*.mpg|*.MPEG|*.mpeg|*.WMV|*.wmv|*.MP4|*.mp4|"
                                    "*.M4V|*.m4v|*.FLV|*.flv|*.WEBM|*.webm|*.MOV|*.mov|*.VOB|*.vob|"
                                    "*.ASF|*.asf|*.TS|*.ts|*.MTS|*.mts|";
    const std::string all = "*.AVI|*.avi|*.MPG|*.mpg|*.MPEG|*.mpeg|*.WMV|*.wmv|*.MP4|*.mp4|"
                            "*.M4V|*.m4v|*.FLV|*.flv|*.MKV|*.mkv|*.WEBM|*.webm|*.MOV|*.mov|"
                            "*.VOB|*.vob|*.ASF|*.asf|*.TS|*.ts|*.MTS|*.mts|";
    const Case cases[] = {
        {"a listed type comes first, the other 13 in order", "/v/clip.mkv",
         "*.MKV|*.mkv|" + all_but_mkv, "mkv", 14},
        {"mixed case: upper description, lower pattern, case kept in the default", "/v/a.Mp4",
         "*.MP4|*.mp4|*.AVI|*.avi|*.MPG|*.mpg|*.MPEG|*.mpeg|*.WMV|*.wmv|*.M4V|*.m4v|*.FLV|*.flv|"
         "*.MKV|*.mkv|*.WEBM|*.webm|*.MOV|*.mov|*.VOB|*.vob|*.ASF|*.asf|*.TS|*.ts|*.MTS|*.mts|",
         "Mp4", 14},
        {"a type outside the list comes first, then all 14", "/v/phone.3gp", "*.3GP|*.3gp|" + all,
         "3gp", 15},
        {"no extension: every file first, no default", "/v.d/clip", "*|*|" + all, "", 15},
    };
    for (const auto& c : cases) {
        const auto t = save_types(c.source);
        EXPECT_EQ(t.filter, c.filter) << c.shows;
        EXPECT_EQ(t.default_ext, c.default_ext) << c.shows;
        EXPECT_EQ(filter_pairs(t.filter).size(), c.types) << c.shows;
    }
}

TEST(SaveTypes, PreparingTheDialogClearsTheLastTarget)
{
    SaveDialogState d;
    d.file_name = "/v/old.mp4";
    d.filter_index = 3;
    prepare_save_dialog(d, "/v/a.Mp4");
    EXPECT_EQ(d.file_name, "");
    EXPECT_EQ(d.filter_index, 0);
    EXPECT_EQ(d.default_ext, "Mp4");
    EXPECT_EQ(d.filter.substr(0, 12), "*.MP4|*.mp4|");
}

TEST(ReplaceQuestion, BreaksTheLineWithOneCarriageReturn)
{
    EXPECT_EQ(replace_question("/v/out.mp4"),
              "/v/out.mp4 already exists.\rDo you want to replace it?");
}

MediaInfo info(const std::string& source, const std::string& video_rate, const std::string& rate,
               const std::string& width = "320", const std::string& height = "240")
{
    MediaInfo f;
    f.filename = source;
    f.duration = "00:00:10.00";
    f.videobitrate = video_rate;
    f.bitrate = rate;
    f.width = width;
    f.height = height;
    return f;
}

const std::string prog = "/sys/calm/client.exe";
const std::string detect =
    "vidstabdetect=shakiness=5:accuracy=15:stepsize=6:mincontrast=0.3:result=calm.trf";
const std::string transform =
    "vidstabtransform=input=calm.trf:smoothing=10,unsharp=5:5:1.0:5:5:0.0";

TEST(Commands, AnalysisPassReadsTheFourParametersAsTheyStand)
{
    struct Case
    {
        const char* shows;
        Parameters parameters;
        std::string source;
        std::string text;
        Args argv;
    };
    Parameters odd;
    odd.shakiness = "10";
    odd.accuracy = "1";
    odd.stepsize = "32";
    odd.mincontrast = "1.0";
    const Case cases[] = {
        {"the default parameters",
         Parameters{},
         "/v/my clip.mp4",
         prog + " -i \"/v/my clip.mp4\" -y -vf " + detect + " -f null -",
         {prog, "-i", "/v/my clip.mp4", "-y", "-vf", detect, "-f", "null", "-"}},
        {"other parameters go in unchanged",
         odd,
         "/v/a.mp4",
         prog + " -i \"/v/a.mp4\" -y -vf vidstabdetect=shakiness=10:accuracy=1:stepsize=32:"
                "mincontrast=1.0:result=calm.trf -f null -",
         {prog, "-i", "/v/a.mp4", "-y", "-vf",
          "vidstabdetect=shakiness=10:accuracy=1:stepsize=32:mincontrast=1.0:result=calm.trf", "-f",
          "null", "-"}},
        {"a source name with quotes and a dash stays one argument",
         Parameters{},
         "/v/-y \"x\" b.mp4",
         prog + " -i \"/v/-y \"x\" b.mp4\" -y -vf " + detect + " -f null -",
         {prog, "-i", "/v/-y \"x\" b.mp4", "-y", "-vf", detect, "-f", "null", "-"}},
    };
    for (const auto& c : cases) {
        const auto line = analysis_command(prog, info(c.source, "", ""), c.parameters);
        EXPECT_EQ(line.windows_form(), c.text) << c.shows;
        EXPECT_EQ(line.argv(), c.argv) << c.shows;
    }
}

TEST(Commands, TransformPassTakesTheBitRateAndTheFormByTheExtensions)
{
    struct Case
    {
        const char* shows;
        std::string video_rate, rate, output;
        std::string text;
        Args argv;
    };
    const std::string src = "/v/my clip.mp4";
    const Case cases[] = {
        {"same type: audio copied, the video rate, two blanks after copy",
         "4500",
         "4600",
         "/o/out.mp4",
         prog + " -i \"/v/my clip.mp4\" -c:a copy  -b:v 4500k -q:v 0 -y -vf " + transform +
             " \"/o/out.mp4\"",
         {prog, "-i", src, "-c:a", "copy", "-b:v", "4500k", "-q:v", "0", "-y", "-vf", transform,
          "/o/out.mp4"}},
        {"only the overall rate known",
         "",
         "4600",
         "/o/out.mp4",
         prog + " -i \"/v/my clip.mp4\" -c:a copy  -b:v 4600k -q:v 0 -y -vf " + transform +
             " \"/o/out.mp4\"",
         {prog, "-i", src, "-c:a", "copy", "-b:v", "4600k", "-q:v", "0", "-y", "-vf", transform,
          "/o/out.mp4"}},
        {"no rate: no option, two blanks before -q:v",
         "",
         "",
         "/o/out.mp4",
         prog + " -i \"/v/my clip.mp4\" -c:a copy  -q:v 0 -y -vf " + transform + " \"/o/out.mp4\"",
         {prog, "-i", src, "-c:a", "copy", "-q:v", "0", "-y", "-vf", transform, "/o/out.mp4"}},
        {"an overall rate that is no number is passed over",
         "",
         "N/A\n  Stream #0:0: Audio: aac, 128",
         "/o/out.mp4",
         prog + " -i \"/v/my clip.mp4\" -c:a copy  -q:v 0 -y -vf " + transform + " \"/o/out.mp4\"",
         {prog, "-i", src, "-c:a", "copy", "-q:v", "0", "-y", "-vf", transform, "/o/out.mp4"}},
        {"the extension in other letter case is the same type",
         "4500",
         "",
         "/o/OUT.MP4",
         prog + " -i \"/v/my clip.mp4\" -c:a copy  -b:v 4500k -q:v 0 -y -vf " + transform +
             " \"/o/OUT.MP4\"",
         {prog, "-i", src, "-c:a", "copy", "-b:v", "4500k", "-q:v", "0", "-y", "-vf", transform,
          "/o/OUT.MP4"}},
        {"another type: both streams encoded, no rate",
         "4500",
         "4600",
         "/o/out.mkv",
         prog + " -i \"/v/my clip.mp4\" -q:a 0 -q:v 0 -y -vf " + transform + " \"/o/out.mkv\"",
         {prog, "-i", src, "-q:a", "0", "-q:v", "0", "-y", "-vf", transform, "/o/out.mkv"}},
        {"a dot in a folder is no extension",
         "",
         "",
         "/o.mp4/out",
         prog + " -i \"/v/my clip.mp4\" -q:a 0 -q:v 0 -y -vf " + transform + " \"/o.mp4/out\"",
         {prog, "-i", src, "-q:a", "0", "-q:v", "0", "-y", "-vf", transform, "/o.mp4/out"}},
    };
    for (const auto& c : cases) {
        const auto line =
            transform_command(prog, info(src, c.video_rate, c.rate), c.output, Parameters{});
        EXPECT_EQ(line.windows_form(), c.text) << c.shows;
        EXPECT_EQ(line.argv(), c.argv) << c.shows;
    }
}

TEST(Commands, BorderAndTripodOptionsFollowTheirPlacesOnlyWhenNotAtTheirDefaults)
{
    struct Case
    {
        const char* shows;
        Parameters parameters;
        std::string detect_options;    // between mincontrast and result
        std::string transform_options; // after the smoothing
    };
    auto with = [](auto change) {
        Parameters p;
        change(p);
        return p;
    };
    const Case cases[] = {
        {"the defaults add nothing", Parameters{}, "", ""},
        {"a zoom in", with([](Parameters& p) { p.zoom = "15"; }), "", ":zoom=15"},
        {"a zoom out", with([](Parameters& p) { p.zoom = "-100"; }), "", ":zoom=-100"},
        {"a zoom that reads as 0 is none", with([](Parameters& p) { p.zoom = "-0"; }), "", ""},
        {"a blank zoom is none", with([](Parameters& p) { p.zoom = " "; }), "", ""},
        {"a zoom that is no number goes in as it stands",
         with([](Parameters& p) { p.zoom = "abc"; }), "", ":zoom=abc"},
        {"automatic zoom off", with([](Parameters& p) { p.optzoom = AutoZoom::off; }), "",
         ":optzoom=0"},
        {"adaptive zoom", with([](Parameters& p) { p.optzoom = AutoZoom::adaptive; }), "",
         ":optzoom=2"},
        {"black borders", with([](Parameters& p) { p.crop = Borders::black; }), "", ":crop=black"},
        {"the tripod goes into both passes", with([](Parameters& p) { p.tripod = true; }),
         ":tripod=1", ":tripod=1"},
        {"all together, in the order zoom, optzoom, crop, tripod", with([](Parameters& p) {
             p.zoom = "-5";
             p.optzoom = AutoZoom::adaptive;
             p.crop = Borders::black;
             p.tripod = true;
         }),
         ":tripod=1", ":zoom=-5:optzoom=2:crop=black:tripod=1"},
    };
    const auto f = info("/v/a b.mp4", "4500", "");
    for (const auto& c : cases) {
        const std::string chain =
            "vidstabdetect=shakiness=5:accuracy=15:stepsize=6:mincontrast=0.3" + c.detect_options +
            ":result=calm.trf";
        const auto analysis = analysis_command(prog, f, c.parameters);
        EXPECT_EQ(analysis.windows_form(),
                  prog + " -i \"/v/a b.mp4\" -y -vf " + chain + " -f null -")
            << c.shows;
        EXPECT_EQ(analysis_filters(f, c.parameters), chain) << c.shows << ": the chain as passed";
        const std::string transform_chain = "vidstabtransform=input=calm.trf:smoothing=10" +
                                            c.transform_options + ",unsharp=5:5:1.0:5:5:0.0";
        const auto transform_line = transform_command(prog, f, "/o/out.mp4", c.parameters);
        EXPECT_EQ(transform_line.windows_form(),
                  prog + " -i \"/v/a b.mp4\" -c:a copy  -b:v 4500k -q:v 0 -y -vf " +
                      transform_chain + " \"/o/out.mp4\"")
            << c.shows;
        EXPECT_EQ(transform_line.argv(),
                  (Args{prog, "-i", "/v/a b.mp4", "-c:a", "copy", "-b:v", "4500k", "-q:v", "0",
                        "-y", "-vf", transform_chain, "/o/out.mp4"}))
            << c.shows;
    }
}

TEST(Commands, OnlyTheTripodChangesTheAnalysisChain)
{
    const auto f = info("/v/a.mp4", "", "", "321", "240");
    Parameters transform_only;
    transform_only.zoom = "20";
    transform_only.optzoom = AutoZoom::off;
    transform_only.crop = Borders::black;
    transform_only.smoothing = "30";
    EXPECT_EQ(analysis_filters(f, transform_only), analysis_filters(f, Parameters{}));
    Parameters tripod;
    tripod.tripod = true;
    EXPECT_NE(analysis_filters(f, tripod), analysis_filters(f, Parameters{}));
    EXPECT_EQ(analysis_command(prog, f, tripod).argv()[5], analysis_filters(f, tripod))
        << "the odd-size crop is part of the chain";
}

TEST(Commands, OddFrameSizesAreCroppedToEvenInBothPasses)
{
    struct Case
    {
        const char* shows;
        const char* width;
        const char* height;
        bool cropped;
    };
    const Case cases[] = {
        {"odd width", "721", "404", true}, {"odd height", "720", "405", true},
        {"both odd", "321", "241", true},  {"even", "720", "404", false},
        {"size unknown", "", "", false},   {"only an odd width known", "321", "", true},
    };
    const std::string crop = "crop=trunc(iw/2)*2:trunc(ih/2)*2,";
    for (const auto& c : cases) {
        const auto f = info("/v/a.mp4", "", "", c.width, c.height);
        const auto analysis = analysis_command(prog, f, Parameters{}).argv();
        const auto transform_args = transform_command(prog, f, "/o/b.mp4", Parameters{}).argv();
        const std::string prefix = c.cropped ? crop : "";
        ASSERT_EQ(analysis.size(), 9u) << c.shows;
        EXPECT_EQ(analysis[5], prefix + detect) << c.shows;
        ASSERT_EQ(transform_args.size(), 11u) << c.shows;
        EXPECT_EQ(transform_args[9], prefix + transform) << c.shows;
        EXPECT_EQ(transform_command(prog, f, "/o/b.mp4", Parameters{}).windows_form(),
                  prog + " -i \"/v/a.mp4\" -c:a copy  -q:v 0 -y -vf " + prefix + transform +
                      " \"/o/b.mp4\"")
            << c.shows;
    }
}

TEST(Commands, PackedPixelsAreMadePlanarInFrontOfVidStabInBothPasses)
{
    struct Case
    {
        const char* shows;
        const char* pixel_format;
        const char* height;
        const char* prefix; // in front of both vid.stab filters
    };
    const std::string crop = "crop=trunc(iw/2)*2:trunc(ih/2)*2,";
    const std::string planar = "format=yuv420p,";
    const Case cases[] = {
        {"format unknown: today's line", "", "240", ""},
        {"planar 4:2:0", "yuv420p", "240", ""},
        {"planar full range", "yuvj422p", "240", ""},
        {"planar with alpha", "yuva420p", "240", ""},
        {"grey", "gray", "240", ""},
        {"packed rgb", "rgb24", "240", "format=yuv420p,"},
        {"packed bgr", "bgr24", "240", "format=yuv420p,"},
        {"palette", "pal8", "240", "format=yuv420p,"},
        {"ten bits", "yuv420p10le", "240", "format=yuv420p,"},
        {"semi-planar", "nv12", "240", "format=yuv420p,"},
        {"after the crop", "rgba", "241", "crop=trunc(iw/2)*2:trunc(ih/2)*2,format=yuv420p,"},
        {"crop alone", "yuv444p", "241", "crop=trunc(iw/2)*2:trunc(ih/2)*2,"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        auto f = info("/v/a.mp4", "", "", "320", c.height);
        f.pixel_format = c.pixel_format;
        const std::string prefix = c.prefix;
        EXPECT_EQ(analysis_command(prog, f, Parameters{}).windows_form(),
                  prog + " -i \"/v/a.mp4\" -y -vf " + prefix + detect + " -f null -");
        EXPECT_EQ(transform_command(prog, f, "/o/b.mp4", Parameters{}).windows_form(),
                  prog + " -i \"/v/a.mp4\" -c:a copy  -q:v 0 -y -vf " + prefix + transform +
                      " \"/o/b.mp4\"");
    }
}

TEST(SameFile, KnowsTheSourceByAnyOfItsNames)
{
    test::FakeConverter folder(false);
    const fs::path root = folder.root();
    fs::create_directories(root / "v/sub");
    const fs::path source = root / "v/clip.mp4";
    test::write_file(source, "video");
    test::write_file(root / "v/copy.mp4", "video");
    fs::create_symlink(source, root / "v/link.mp4");
    fs::create_hard_link(source, root / "v/hard.mp4");
    struct Case
    {
        const char* shows;
        std::string target;
        bool same;
    };
    const Case cases[] = {
        {"the same text", source.string(), true},
        {"a symbolic link to it", (root / "v/link.mp4").string(), true},
        {"a hard link to it", (root / "v/hard.mp4").string(), true},
        {"a path with relative parts", (root / "v/sub/../clip.mp4").string(), true},
        {"a copy with the same content", (root / "v/copy.mp4").string(), false},
        {"a file that does not exist", (root / "v/new.mp4").string(), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(same_file(c.target, source.string()), c.same) << c.shows;
}

TEST(TemporaryOutput, KeepsTheExtensionAndOnlyARenameReachesTheTarget)
{
    test::FakeConverter folder(false);
    const fs::path target = folder.root() / "out.Mp4";
    test::write_file(target, "old");
    std::string reason;
    std::string first_path;
    {
        TemporaryOutput first(target.string());
        TemporaryOutput second(target.string());
        ASSERT_TRUE(first.create(reason)) << reason;
        ASSERT_TRUE(second.create(reason)) << reason;
        first_path = first.path();
        EXPECT_NE(first.path(), second.path());
        EXPECT_EQ(fs::path(first.path()).parent_path(), folder.root());
        EXPECT_EQ(fs::path(first.path()).extension(), ".Mp4");
        EXPECT_TRUE(is_temporary_output_name(fs::path(first.path()).filename().string()));
        test::write_file(first.path(), "new");
        EXPECT_EQ(test::read_file(target), "old");
        ASSERT_TRUE(first.commit(reason)) << reason;
        EXPECT_EQ(test::read_file(target), "new");
    }
    EXPECT_FALSE(fs::exists(first_path));
    std::vector<fs::path> left;
    for (const auto& e : fs::directory_iterator(folder.root()))
        if (e.path().filename() != "bin" && e.path().filename() != "lib" &&
            e.path().filename() != "run")
            left.push_back(e.path());
    EXPECT_EQ(left, std::vector<fs::path>{target}) << "the uncommitted one is removed";

    TemporaryOutput nowhere((folder.root() / "missing/out.mp4").string());
    EXPECT_FALSE(nowhere.create(reason));
    EXPECT_EQ(reason, (folder.root() / "missing").string() + "/: No such file or directory");
}

TEST(ProgressStep, RoundsHalvesToEvenThenHalvesTowardZero)
{
    struct Case
    {
        const char* shows;
        const char* time;
        double duration;
        Pass pass;
        int gauge;
    };
    const Case cases[] = {
        {"5 of 10 s in the analysis", "00:00:05.00", 10, Pass::analysis, 25},
        {"5 of 10 s in the transform", "00:00:05.00", 10, Pass::transform, 75},
        {"2.5 % rounds to 2, halved to 1", "00:00:00.25", 10, Pass::analysis, 1},
        {"3.5 % rounds to 4, halved to 2", "00:00:00.35", 10, Pass::analysis, 2},
        {"3 % halves to 1, truncated", "00:00:00.30", 10, Pass::transform, 51},
        {"102 % shows 51 in the analysis", "00:00:10.20", 10, Pass::analysis, 51},
        {"the hours and minutes count", "01:02:03.00", 7446, Pass::analysis, 25},
        {"a time before the start: the sign is the whole time's", "-00:00:01.00", 10,
         Pass::transform, 45},
        {"-3 % halves toward zero to -1", "-00:00:00.30", 10, Pass::transform, 49},
    };
    for (const auto& c : cases) {
        const auto step = progress_step(c.time, c.duration, c.pass);
        ASSERT_TRUE(step) << c.shows;
        EXPECT_EQ(step->gauge, c.gauge) << c.shows;
    }
    EXPECT_EQ(progress_step("00:00:05.12", 10, Pass::analysis)->label,
              "Analyze 00:00:05.12 ......");
    EXPECT_EQ(progress_step("00:00:05.12", 10, Pass::transform)->label,
              "Process 00:00:05.12 ......");
}

TEST(ProgressStep, AnUnreadableTimeOrNoDurationSkipsTheUpdate)
{
    struct Case
    {
        const char* shows;
        const char* time;
        double duration;
    };
    const Case cases[] = {
        {"N/A", "N/A", 10},
        {"an empty time, as when bitrate= is missing", "", 10},
        {"letters in the seconds", "00:00:ab", 10},
        {"a zero duration", "00:00:05.00", 0},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(progress_step(c.time, c.duration, Pass::analysis)) << c.shows;
}

TEST(ProgressTime, TakesTheTextBeforeTheBlankAndBitrate)
{
    struct Case
    {
        const char* shows;
        const char* chunk;
        std::optional<std::string> time;
    };
    const Case cases[] = {
        {"a full progress line",
         "frame=   75 fps=0.0 q=-0.0 size=N/A time=00:00:03.01 bitrate=N/A speed=21.3x\r",
         "00:00:03.01"},
        {"the final line with Lsize=", "frame= 75 Lsize=1kB time=00:00:03.00 bitrate=1kbits/s",
         "00:00:03.00"},
        {"no size= in this chunk", "frame= 75 time=00:00:03.00 bitrate=N/A", std::nullopt},
        {"no time= in this chunk", "frame= 75 size=N/A", std::nullopt},
        {"cut before bitrate=", "frame= 75 size=N/A time=00:00:03.00 bit", ""},
        {"bitrate= before time=", "bitrate=N/A size=N/A time=00:00:03.00", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(progress_time(c.chunk), c.time) << c.shows;
}

TEST(PassOutput, FindsFailureTextsAlsoSplitBetweenTwoReads)
{
    struct Case
    {
        const char* shows;
        std::vector<std::string> chunks;
        std::string failure; // after the last chunk
    };
    const Case cases[] = {
        {"no such file in one read", {"x.mp4: No such file or directory\n"}, "No such file"},
        {"no such file split", {"x.mp4: No su", "ch file or directory\n"}, "No such file"},
        {"both texts: the assertion wins",
         {"No such file\n", "Assertion failed!\n"},
         "Assertion failed!"},
        {"glibc's assertion",
         {"ffmpeg: frameinfo.c:38: vsFrameInfoInit: Assertion `width%2==0 && height%2==0' "
          "failed.\n"},
         "Assertion failed!"},
        {"glibc's assertion split",
         {"ffmpeg: frameinfo.c:38: vsFrameInfoInit: Assert",
          "ion `width%2==0 && height%2==0' failed.\n"},
         "Assertion failed!"},
        {"a text split over three reads is not joined", {"No su", "ch f", "ile"}, ""},
        {"the word alone on a line", {"Assertion\n", "of nothing failed\n"}, ""},
    };
    for (const auto& c : cases) {
        PassOutput out(Pass::analysis, 10);
        std::string failure;
        for (const auto& chunk : c.chunks)
            failure = out.take(chunk).failure;
        EXPECT_EQ(failure, c.failure) << c.shows;
    }
}

TEST(PassOutput, FailureTextsInTheConvertersFileNamesDoNotCount)
{
    const std::string source = "/v/No such file.mp4";
    const std::string output = "/Assertion failed!/.calm-1234abcd.mp4";
    struct Case
    {
        const char* shows;
        std::vector<std::string> chunks;
        std::string failure; // after the last chunk
    };
    const Case cases[] = {
        {"the input's name", {"Input #0, mov,mp4, from '" + source + "':\n"}, ""},
        {"the output's name", {"Output #0, mp4, to '" + output + "':\n"}, ""},
        {"a name split between reads",
         {"Input #0, mov,mp4, from '/v/No such fi", "le.mp4':\n  Duration: 00:00:02.00\n"},
         ""},
        {"a read ending inside the name", {"from '/v/No such file"}, ""},
        {"a read starting inside the name",
         {"Input #0, mov,mp4, from '/v/", "No such file.mp4':\n", "  Duration: 00:00:02.00\n"},
         ""},
        {"a real failure after the name",
         {source + ": No such file or directory\n"},
         "No such file"},
        {"a real assertion beside the names",
         {"to '" + output + "':\n",
          "ffmpeg: frameinfo.c:38: vsFrameInfoInit: Assertion `fi->planes==1' failed.\n"},
         "Assertion failed!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        PassOutput out(Pass::transform, 10, {source, output});
        std::string failure;
        for (const auto& chunk : c.chunks)
            failure = out.take(chunk).failure;
        EXPECT_EQ(failure, c.failure);
    }
}

TEST(PassOutput, ReportsAFailedConverterByItsLastMeaningfulLine)
{
    struct Case
    {
        const char* shows;
        std::vector<std::string> chunks;
        ExitStatus status;
        std::string reason;
    };
    const ExitStatus one{true, false, 1};
    const Case cases[] = {
        {"the last line",
         {"Output #0, mp4, to 'out.mp4':\n", "out.mp4: Permission denied\n"},
         one,
         "out.mp4: Permission denied"},
        {"a last line without its line break",
         {"Input #0\nout.mp4: Permission denied"},
         one,
         "out.mp4: Permission denied"},
        {"a line split between reads",
         {"out.mp4: Permi", "ssion denied\r\n"},
         one,
         "out.mp4: Permission denied"},
        {"progress lines and the summary say nothing",
         {"No space left\n", "frame= 9 size=1kB time=00:00:01.00 bitrate=1k\r",
          "video:35kB audio:260kB subtitle:0kB other streams:0kB global headers:0kB muxing "
          "overhead: unknown\n"},
         one,
         "No space left"},
        {"the lines that only say an earlier one failed",
         {"[AVFilterGraph @ 0x5613] Error initializing filter 'vidstabtransform' with args "
          "'input=calm.trf:smoothing=abc'\n",
          "Error reinitializing filters!\nFailed to inject frame into filter network: Invalid "
          "argument\nError while processing the decoded data for stream #0:0\nConversion "
          "failed!\n"},
         one,
         "[AVFilterGraph @ 0x5613] Error initializing filter 'vidstabtransform' with args "
         "'input=calm.trf:smoothing=abc'"},
        {"only a closing line", {"Conversion failed!\n"}, one, "Conversion failed!"},
        {"nothing printed", {}, ExitStatus{true, false, 3}, "exit status 3"},
        {"killed by a signal",
         {"Press [q] to stop, [?] for help\n"},
         ExitStatus{true, true, 9},
         "stopped by signal 9"},
    };
    for (const auto& c : cases) {
        PassOutput out(Pass::transform, 10);
        for (const auto& chunk : c.chunks)
            out.take(chunk);
        EXPECT_EQ(out.failure_reason(c.status), c.reason) << c.shows;
    }
}

} // namespace
} // namespace calm
