// The whole job with Debian's real converter on clips the tests make.

#include "app/fix.h"
#include "app/progress_dialog.h"
#include "child.h"
#include "fake_converter.h"
#include "media/probe.h"
#include "platform/gauge.h"
#include "shaky_clip.h"

#include <QCoreApplication>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>

using calm::test::child;

namespace calm {
namespace {

namespace fs = std::filesystem;

// A program folder whose converter is the real one.
struct RealRig
{
    test::FakeConverter folder{false};
    MediaInfo media;
    SaveDialogState save;
    std::atomic<bool> cancel_flag{true};
    Parameters parameters;
    int successes = 0;
    ProgressDialog progress{folder.env,
                            JobInputs{media, save, cancel_flag, [this] { return parameters; },
                                      [this] { ++successes; }}};
    fs::path clip = folder.root() / "clips/shaky.mp4";
    fs::path out = folder.root() / "out";

    explicit RealRig(const test::ClipSpec& shape = {})
    {
        fs::create_symlink(test::ffmpeg_path(), folder.converter());
        fs::create_directories(clip.parent_path());
        fs::create_directories(out);
        std::string log;
        made = test::make_shaky_clip(clip, shape, &log);
        EXPECT_TRUE(made) << log;
        std::string code;
        loaded = probe_media(code, clip.string(), media, folder.env);
        EXPECT_TRUE(loaded) << code;
        media.filename = clip.string();
    }

    void fix(const std::string& target)
    {
        folder.dialogs.save_answers.push_back(target);
        FixContext context{folder.env, nullptr, media, save, cancel_flag, progress};
        run_fix(context);
        QCoreApplication::processEvents();
    }

    std::vector<std::string> out_files() const { return test::file_names_in(out); }

    // Puts the real converter behind a script that logs each command line.
    void log_converter_runs()
    {
        fs::remove(folder.converter());
        test::write_file(folder.converter(), "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" +
                                                 converter_log.string() + "'\nexec '" +
                                                 test::ffmpeg_path() + "' \"$@\"\n");
        fs::permissions(folder.converter(), fs::perms::owner_all);
    }

    // The passes the converter ran since the last call, in order.
    std::vector<std::string> passes_run()
    {
        std::vector<std::string> passes;
        std::istringstream in(test::read_file(converter_log));
        for (std::string line; std::getline(in, line);) {
            if (line.find("vidstabdetect=") != std::string::npos)
                passes.push_back("analysis");
            else if (line.find("vidstabtransform=") != std::string::npos)
                passes.push_back("transform");
        }
        fs::remove(converter_log);
        return passes;
    }

    fs::path converter_log = folder.root() / "converter.log";
    bool made = false;
    bool loaded = false;
};

TEST(Stabilize, TheOutputIsAtLeastTwiceAsSteady)
{
    RealRig rig;
    ASSERT_TRUE(rig.made && rig.loaded);
    const fs::path target = rig.out / "steady.mp4";
    rig.fix(target.string());

    EXPECT_EQ(rig.successes, 1) << (rig.folder.dialogs.messages.empty()
                                        ? std::string()
                                        : rig.folder.dialogs.messages[0].text);
    EXPECT_TRUE(rig.folder.dialogs.messages.empty());
    EXPECT_EQ(child<Gauge>(rig.progress, "gauge")->progress(), 100);
    EXPECT_EQ(rig.out_files(), std::vector<std::string>{"steady.mp4"}) << "calm.trf is gone";
    EXPECT_TRUE(test::child_processes().empty());

    const auto before = test::probe_video(rig.clip);
    const auto after = test::probe_video(target);
    ASSERT_GT(before.fps, 0);
    EXPECT_EQ(after.width, 320);
    EXPECT_EQ(after.height, 240);
    EXPECT_LE(std::abs(after.frames - before.frames), 1);
    EXPECT_LE(std::abs(after.duration - before.duration), 1 / before.fps);

    const auto shaky = test::read_frames(rig.clip, before.width, before.height);
    const auto steady = test::read_frames(target, after.width, after.height);
    const double motion_before = test::mean_global_motion(shaky);
    const double motion_after = test::mean_global_motion(steady);
    const double change_before = test::mean_frame_difference(shaky);
    const double change_after = test::mean_frame_difference(steady);
    RecordProperty("motion_before", std::to_string(motion_before));
    RecordProperty("motion_after", std::to_string(motion_after));
    std::printf("global motion %.2f -> %.2f px, frame difference %.2f -> %.2f\n", motion_before,
                motion_after, change_before, change_after);
    EXPECT_GT(motion_before, 4.0) << "the clip must be shaky to show anything";
    EXPECT_LE(2 * motion_after, motion_before);
    EXPECT_LE(2 * change_after, change_before);
}

TEST(Stabilize, ARefusedTransformPassLeavesTheTargetAsItWas)
{
    RealRig rig;
    ASSERT_TRUE(rig.made && rig.loaded);
    const fs::path target = rig.out / "steady.mp4";
    test::write_file(target, "precious");
    rig.folder.dialogs.answers.push_back(true);
    rig.parameters.smoothing = "abc"; // only a settings file can bring this
    rig.fix(target.string());

    EXPECT_EQ(rig.successes, 0);
    ASSERT_EQ(rig.folder.dialogs.messages.size(), 1u);
    const auto& box = rig.folder.dialogs.messages[0];
    const std::string head = "### " + rig.clip.string() + " ### \r";
    EXPECT_EQ(box.text.substr(0, head.size()), head);
    EXPECT_NE(box.text.find("smoothing=abc"), std::string::npos) << box.text;
    EXPECT_EQ(box.caption, "Error!");
    EXPECT_EQ(box.owner, &rig.progress);
    EXPECT_EQ(test::read_file(target), "precious");
    EXPECT_EQ(rig.out_files(), std::vector<std::string>{"steady.mp4"});
    EXPECT_TRUE(test::child_processes().empty());
}

TEST(Stabilize, AnOddFrameSizeIsCroppedToEven)
{
    test::ClipSpec shape;
    shape.height = 241;
    RealRig rig(shape);
    ASSERT_TRUE(rig.made && rig.loaded);
    ASSERT_EQ(rig.media.height, "241");
    const fs::path target = rig.out / "steady.mp4";
    rig.fix(target.string());

    EXPECT_EQ(rig.successes, 1) << (rig.folder.dialogs.messages.empty()
                                        ? std::string()
                                        : rig.folder.dialogs.messages[0].text);
    const auto after = test::probe_video(target);
    EXPECT_EQ(after.width, 320);
    EXPECT_EQ(after.height, 240);
    EXPECT_EQ(rig.out_files(), std::vector<std::string>{"steady.mp4"});
}

// Runs a whole job with the given options and reads the output's frames.
test::Frames stabilized(RealRig& rig, const Parameters& parameters, const char* name)
{
    rig.parameters = parameters;
    const fs::path target = rig.out / name;
    rig.fix(target.string());
    EXPECT_EQ(rig.successes, 1) << name << ": "
                                << (rig.folder.dialogs.messages.empty()
                                        ? std::string()
                                        : rig.folder.dialogs.messages[0].text);
    rig.successes = 0;
    rig.folder.dialogs.messages.clear();
    const auto facts = test::probe_video(target);
    EXPECT_EQ(facts.width, 320) << name;
    EXPECT_EQ(facts.height, 240) << name;
    return test::read_frames(target, facts.width, facts.height);
}

TEST(Stabilize, TheTripodHoldsAStillSceneWhereSmoothingFollowsTheDrift)
{
    test::ClipSpec shape;
    shape.seconds = 2;
    shape.sway = 12;
    RealRig rig(shape);
    ASSERT_TRUE(rig.made && rig.loaded);
    Parameters tripod;
    tripod.tripod = true;
    const double drift_smoothed =
        test::mean_offset_from_first(stabilized(rig, Parameters{}, "smoothed.mp4"));
    const double drift_tripod = test::mean_offset_from_first(stabilized(rig, tripod, "tripod.mp4"));
    const double drift_before =
        test::mean_offset_from_first(test::read_frames(rig.clip, shape.width, shape.height));
    std::printf("offset from the first frame: shaky %.2f, smoothed %.2f, tripod %.2f px\n",
                drift_before, drift_smoothed, drift_tripod);
    EXPECT_GT(drift_smoothed, 4.0) << "smoothing alone follows the slow drift";
    EXPECT_LE(2 * drift_tripod, drift_smoothed);
    EXPECT_LT(drift_tripod, 2.0) << "the tripod holds the first view";
}

TEST(Stabilize, ASecondFixOfTheClipReusesItsAnalysis)
{
    RealRig rig;
    ASSERT_TRUE(rig.made && rig.loaded);
    rig.log_converter_runs();
    stabilized(rig, Parameters{}, "first.mp4");
    ASSERT_EQ(rig.passes_run(), (std::vector<std::string>{"analysis", "transform"}));

    // Only the smoothing changed: the kept analysis serves the transform pass.
    Parameters smoother;
    smoother.smoothing = "20";
    const auto steady = stabilized(rig, smoother, "smoother.mp4");
    EXPECT_EQ(rig.passes_run(), std::vector<std::string>{"transform"});
    EXPECT_EQ(child<Gauge>(rig.progress, "gauge")->progress(), 100);
    const auto shaky = test::read_frames(rig.clip, 320, 240);
    const double motion_before = test::mean_global_motion(shaky);
    const double motion_after = test::mean_global_motion(steady);
    std::printf("global motion %.2f -> %.2f px from the kept analysis\n", motion_before,
                motion_after);
    EXPECT_GT(motion_before, 4.0) << "the clip must be shaky to show anything";
    EXPECT_LE(2 * motion_after, motion_before);
    EXPECT_EQ(rig.out_files(), (std::vector<std::string>{"first.mp4", "smoother.mp4"}));

    // A change in what the analysis looks at makes it run again.
    const struct
    {
        const char* shows;
        std::function<void(Parameters&)> change;
    } cases[] = {
        {"another shakiness", [](Parameters& p) { p.shakiness = "8"; }},
        {"the tripod", [](Parameters& p) { p.tripod = true; }},
        {"another accuracy", [](Parameters& p) { p.accuracy = "9"; }},
    };
    for (const auto& c : cases) {
        Parameters changed = smoother;
        c.change(changed);
        stabilized(rig, changed, (std::string(c.shows) + ".mp4").c_str());
        EXPECT_EQ(rig.passes_run(), (std::vector<std::string>{"analysis", "transform"})) << c.shows;
    }
    EXPECT_TRUE(test::child_processes().empty());
}

TEST(Stabilize, BlackBordersShowOnlyWhenAskedForWithoutAutomaticZoom)
{
    test::ClipSpec shape;
    shape.seconds = 2;
    RealRig rig(shape);
    ASSERT_TRUE(rig.made && rig.loaded);
    // vid.stab smears the edge into the first 20 pixels of a border before
    // its fill shows, more than this shake uncovers; a zoom out makes every
    // border wider than that.
    Parameters keep;
    keep.optzoom = AutoZoom::off;
    keep.zoom = "-20";
    Parameters black = keep;
    black.crop = Borders::black;
    const auto kept = stabilized(rig, keep, "keep.mp4");
    const auto blacked = stabilized(rig, black, "black.mp4");
    ASSERT_FALSE(kept.luma.empty());
    ASSERT_EQ(kept.luma.size(), blacked.luma.size());
    const int with_black = test::frames_with_black_edge(blacked);
    const int with_kept = test::frames_with_black_edge(kept);
    std::printf("frames with a black edge of %zu: black %d, keep %d\n", kept.luma.size(),
                with_black, with_kept);
    EXPECT_GE(2 * with_black, static_cast<int>(blacked.luma.size()))
        << "most frames show the black";
    EXPECT_EQ(with_kept, 0);
    EXPECT_EQ(test::frames_with_black_edge(test::read_frames(rig.clip, 320, 240)), 0)
        << "the clip itself has none";
}

} // namespace
} // namespace calm
