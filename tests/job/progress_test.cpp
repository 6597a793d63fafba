#include "app/fix.h"
#include "app/progress_dialog.h"
#include "child.h"
#include "fake_converter.h"
#include "platform/gauge.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <regex>

using calm::test::child;

namespace calm {
namespace {

namespace fs = std::filesystem;
using test::child_processes;

// The main window's side of a job: the media record, the save dialog, the
// cancel flag, the parameters and the success report, around the real
// progress window and the fake converter.
struct Rig
{
    test::FakeConverter fake;
    QWidget main_window;
    MediaInfo media;
    SaveDialogState save;
    std::atomic<bool> cancel_flag{true}; // Fix clears it
    Parameters parameters;
    int successes = 0;
    ProgressDialog progress{fake.env,
                            JobInputs{media, save, cancel_flag, [this] { return parameters; },
                                      [this] { ++successes; }}};
    fs::path clips = fake.root() / "clips";
    fs::path out = fake.root() / "out dir";

    Rig()
    {
        fs::create_directories(clips);
        fs::create_directories(out);
        test::write_file(source(), "source video");
        media.filename = source();
        media.duration = "00:00:10.00";
        media.videobitrate = "4500";
        media.width = "320";
        media.height = "240";
    }

    std::string source() const { return (clips / "shaky clip.mp4").string(); }
    std::string target(const std::string& name = "steady.mp4") const
    {
        return (out / name).string();
    }

    // Presses Fix, the save dialog answering name; returns once the job and
    // its clean-up have run.
    void fix(const std::optional<std::string>& name)
    {
        fake.dialogs.save_answers.push_back(name);
        FixContext context{fake.env, &main_window, media, save, cancel_flag, progress};
        run_fix(context);
        QCoreApplication::processEvents();
    }

    // Clicks Cancel (or presses Esc) once when() holds, checking while the job runs.
    void cancel_when(std::function<bool()> when, bool by_escape = false)
    {
        auto* poll = new QTimer(&progress);
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll, when, by_escape] {
            if (!when())
                return;
            poll->stop();
            if (by_escape) {
                QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QCoreApplication::sendEvent(&progress, &esc);
            } else {
                child<QPushButton>(progress, "cancel_button")->click();
            }
        });
        poll->start(5);
    }

    std::vector<std::string> out_files() const { return test::file_names_in(out); }

    std::string label() const
    {
        return child<QLabel>(progress, "step_label")->text().toStdString();
    }
    std::string failure_box(const std::string& code) const
    {
        return "### " + source() + " ### \r" + code;
    }
};

std::string progress_line(const std::string& time)
{
    return "out frame=   10 fps=0.0 q=-0.0 size=N/A time=" + time + " bitrate=N/A speed=2x\\r\n";
}

std::string script(const std::string& analysis, const std::string& transform)
{
    return "on vidstabdetect\n" + analysis + "on vidstabtransform\n" + transform;
}

const std::string good_analysis = progress_line("00:00:05.00") + "sleep 30\n" +
                                  progress_line("00:00:10.00") + "touch calm.trf\nexit 0\n";
const std::string good_transform = progress_line("00:00:05.00") + "sleep 30\n" +
                                   progress_line("00:00:10.00") + "touch-last\nexit 0\n";

TEST(Job, WritesTheTargetWithBothPassesInItsFolder)
{
    Rig rig;
    rig.fake.script(script(good_analysis, good_transform));
    rig.fix(rig.target());

    EXPECT_EQ(rig.successes, 1);
    EXPECT_TRUE(rig.fake.dialogs.messages.empty());
    EXPECT_FALSE(rig.cancel_flag);
    const auto runs = rig.fake.runs();
    ASSERT_EQ(runs.size(), 2u);
    // calm.trf is written and read in a private folder of the job, which is
    // gone once the job is over.
    const fs::path job_folder = runs[0].cwd;
    EXPECT_EQ(job_folder.parent_path().string() + "/", rig.fake.env.runtime_folder);
    EXPECT_EQ(job_folder.filename().string().rfind("calmora-job-", 0), 0u) << job_folder;
    for (const auto& run : runs) {
        EXPECT_EQ(fs::path(run.cwd), job_folder) << "both passes meet in one folder";
        EXPECT_EQ(run.argv.at(0), rig.fake.converter());
        EXPECT_EQ(run.argv.at(2), rig.source());
    }
    EXPECT_EQ(runs[0].argv.at(5),
              "vidstabdetect=shakiness=5:accuracy=15:stepsize=6:mincontrast=0.3:result=calm.trf");
    // The converter writes beside the target under another name of the same type.
    const fs::path written = runs[1].argv.back();
    EXPECT_EQ(written.parent_path(), rig.out);
    EXPECT_EQ(written.extension(), ".mp4");
    EXPECT_NE(written, fs::path(rig.target()));
    EXPECT_EQ(runs[1].argv.at(3), "-c:a") << "same type: audio copied";

    EXPECT_EQ(test::read_file(rig.target()), "fake output\n");
    EXPECT_EQ(rig.out_files(), std::vector<std::string>{"steady.mp4"})
        << "the temporary file is gone";
    EXPECT_TRUE(rig.fake.runtime_entries().empty()) << "the job folder is gone";
    EXPECT_EQ(child<Gauge>(rig.progress, "gauge")->progress(), 100);
    EXPECT_EQ(rig.label(), "Process 00:00:10.00 ......");
    EXPECT_FALSE(rig.progress.isVisible());
    EXPECT_TRUE(child_processes().empty());
}

TEST(Job, LeavesTheTargetsFolderAsItWasButForTheTarget)
{
    const struct
    {
        const char* shows;
        std::string transform;
        int successes;
    } cases[] = {
        {"a job that succeeds", good_transform, 1},
        {"a job that fails", progress_line("00:00:05.00") + "touch-last\nexit 1\n", 0},
    };
    for (const auto& c : cases) {
        Rig rig;
        // A file of the user's that happens to bear the transforms file's name.
        test::write_file(rig.out / "calm.trf", "the user's own\n\x01");
        rig.fake.script(script(good_analysis, c.transform));
        rig.fix(rig.target());

        EXPECT_EQ(rig.successes, c.successes) << c.shows;
        EXPECT_EQ(test::read_file(rig.out / "calm.trf"), "the user's own\n\x01") << c.shows;
        const auto want = c.successes ? std::vector<std::string>{"calm.trf", "steady.mp4"}
                                      : std::vector<std::string>{"calm.trf"};
        EXPECT_EQ(rig.out_files(), want) << c.shows;
        EXPECT_TRUE(rig.fake.runtime_entries().empty()) << c.shows;
    }
}

TEST(Job, TwoJobsIntoOneFolderAtOnceBothSucceed)
{
    Rig first;
    Rig second;
    const std::string slow_transform = progress_line("00:00:05.00") + "sleep 300\n" +
                                       progress_line("00:00:10.00") + "touch-last\nexit 0\n";
    first.fake.script(script(good_analysis, slow_transform));
    second.fake.script(script(good_analysis, good_transform));
    // The second job runs whole while the first one's transform pass runs.
    bool second_ran = false;
    auto* poll = new QTimer(&first.progress);
    QObject::connect(poll, &QTimer::timeout, poll, [&] {
        if (first.label().rfind("Process", 0) != 0)
            return;
        poll->stop();
        second.fix((first.out / "other.mp4").string());
        second_ran = true;
    });
    poll->start(5);
    first.fix(first.target());

    ASSERT_TRUE(second_ran);
    EXPECT_EQ(first.successes, 1);
    EXPECT_EQ(second.successes, 1);
    EXPECT_TRUE(first.fake.dialogs.messages.empty());
    EXPECT_TRUE(second.fake.dialogs.messages.empty());
    EXPECT_EQ(test::read_file(first.target()), "fake output\n");
    EXPECT_EQ(test::read_file(first.out / "other.mp4"), "fake output\n");
    EXPECT_EQ(first.out_files(), (std::vector<std::string>{"other.mp4", "steady.mp4"}));
    const auto a = first.fake.runs();
    const auto b = second.fake.runs();
    ASSERT_EQ(a.size(), 2u);
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(a[0].cwd, a[1].cwd);
    EXPECT_EQ(b[0].cwd, b[1].cwd);
    EXPECT_NE(a[0].cwd, b[0].cwd) << "each job reads its own transforms";
}

TEST(Job, HandlesTheConvertersOutputChunkByChunk)
{
    struct Case
    {
        const char* shows;
        std::string analysis;
        std::string transform;
        std::size_t runs;
        std::optional<std::string> code; // nothing: success
        int gauge;
        std::string label;
    };
    const std::string quiet_transform = "touch-last\nexit 0\n";
    const Case cases[] = {
        {"a failure text split across two reads ends the job",
         progress_line("00:00:02.00") + "out x.mp4: No su\nsleep 50\nout ch file or directory\\n\n"
                                        "hang\n",
         good_transform, 1, "No such file", 10, "Analyze 00:00:02.00 ......"},
        {"both failure texts: the assertion wins",
         "out No such file\\nAssertion failed!\\n\nexit 0\n", good_transform, 1,
         "Assertion failed!", 0, ""},
        {"glibc's assertion split across two reads",
         "out ffmpeg: frameinfo.c:38: vsFrameInfoInit: Assert\nsleep 50\n"
         "out ion `width%2==0 && height%2==0' failed.\\n\nsignal 6\n",
         good_transform, 1, "Assertion failed!", 0, ""},
        {"size= in the previous read only is no progress line",
         "out frame=1 size=N/A \nsleep 50\nout time=00:00:05.00 bitrate=N/A\\r\nexit 0\n",
         quiet_transform, 2, "", 0, ""},
        {"a time beyond the duration shows more than half in the analysis",
         progress_line("00:00:10.20") + "exit 0\n", quiet_transform, 2, std::nullopt, 51,
         "Analyze 00:00:10.20 ......"},
        {"the transform pass is held at 100", good_analysis,
         progress_line("00:00:30.00") + "touch-last\nexit 0\n", 2, std::nullopt, 100,
         "Process 00:00:30.00 ......"},
        {"a negative time is held at 0 in the analysis", progress_line("-00:00:30.00") + "exit 0\n",
         quiet_transform, 2, std::nullopt, 0, "Analyze -00:00:30.00 ......"},
        {"a negative time takes its half off 50 in the transform", good_analysis,
         progress_line("-00:00:01.00") + "touch-last\nexit 0\n", 2, std::nullopt, 45,
         "Process -00:00:01.00 ......"},
        {"unreadable times are skipped and the job goes on",
         progress_line("00:00:04.00") + "sleep 30\n" + progress_line("N/A") + "sleep 30\n" +
             "out frame=2 size=N/A time=00:00:09.00 bitr\nexit 0\n",
         quiet_transform, 2, std::nullopt, 20, "Analyze 00:00:04.00 ......"},
        {"an unreadable time is no progress line", progress_line("N/A") + "exit 0\n",
         quiet_transform, 2, "", 0, ""},
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.fake.script(script(c.analysis, c.transform));
        rig.fix(rig.target());
        EXPECT_EQ(rig.fake.runs().size(), c.runs) << c.shows;
        if (c.code) {
            EXPECT_EQ(rig.successes, 0) << c.shows;
            EXPECT_EQ(rig.fake.dialogs.message_texts(),
                      std::vector<std::string>{rig.failure_box(*c.code)})
                << c.shows;
            EXPECT_FALSE(fs::exists(rig.target())) << c.shows;
        } else {
            EXPECT_EQ(rig.successes, 1) << c.shows;
            EXPECT_TRUE(rig.fake.dialogs.messages.empty()) << c.shows;
            EXPECT_TRUE(fs::exists(rig.target())) << c.shows;
        }
        EXPECT_EQ(child<Gauge>(rig.progress, "gauge")->progress(), c.gauge) << c.shows;
        EXPECT_EQ(rig.label(), c.label) << c.shows;
        EXPECT_TRUE(child_processes().empty()) << c.shows;
    }
}

TEST(Job, AConverterEndingWithAnErrorStatusFailsTheJob)
{
    struct Case
    {
        const char* shows;
        std::string analysis;
        std::string transform;
        std::size_t runs;
        std::string code;
    };
    const Case cases[] = {
        {"a transform pass that cannot write, after a good analysis", good_analysis,
         "touch-last\nout Output #0, mp4, to 'x.mp4':\\n\nout x.mp4: Permission denied\\n\n"
         "exit 1\n",
         2, "x.mp4: Permission denied"},
        {"a failed analysis starts no transform pass",
         progress_line("00:00:05.00") + "out calm.trf: Read-only file system\\n\nexit 1\n",
         good_transform, 1, "calm.trf: Read-only file system"},
        {"a converter killed by a signal", good_analysis,
         progress_line("00:00:05.00") + "signal 9\n", 2, "stopped by signal 9"},
    };
    for (const auto& c : cases) {
        Rig rig;
        test::write_file(rig.target(), "precious");
        rig.fake.dialogs.answers.push_back(true);
        rig.fake.script(script(c.analysis, c.transform));
        rig.fix(rig.target());

        EXPECT_EQ(rig.successes, 0) << c.shows;
        EXPECT_EQ(rig.fake.runs().size(), c.runs) << c.shows;
        ASSERT_EQ(rig.fake.dialogs.messages.size(), 1u) << c.shows;
        const auto& box = rig.fake.dialogs.messages[0];
        EXPECT_EQ(box.text, rig.failure_box(c.code)) << c.shows;
        EXPECT_EQ(box.caption, "Error!") << c.shows;
        EXPECT_EQ(box.icon, Icon::error) << c.shows;
        EXPECT_EQ(box.owner, &rig.progress) << c.shows;
        EXPECT_EQ(test::read_file(rig.target()), "precious") << c.shows;
        EXPECT_EQ(rig.out_files(), std::vector<std::string>{"steady.mp4"}) << c.shows;
        EXPECT_TRUE(rig.fake.runtime_entries().empty()) << c.shows << ": the job folder is gone";
        EXPECT_TRUE(child_processes().empty()) << c.shows;
    }
}

TEST(Job, CancelInEitherPassLeavesNothingBehind)
{
    struct Case
    {
        const char* shows;
        std::string analysis;
        std::string transform;
        std::string label_word;
        std::size_t runs;
        bool by_escape;
    };
    const std::string hanging_transform = progress_line("00:00:05.00") + "touch-last\nhang\n";
    const Case cases[] = {
        {"cancel in the analysis: no transform pass",
         progress_line("00:00:05.00") + "touch calm.trf\nhang\n", good_transform, "Analyze", 1,
         false},
        {"cancel in the transform: the part written is removed", good_analysis, hanging_transform,
         "Process", 2, false},
        {"Esc means Cancel", good_analysis, hanging_transform, "Process", 2, true},
    };
    for (const auto& c : cases) {
        Rig rig;
        test::write_file(rig.target(), "precious");
        rig.fake.dialogs.answers.push_back(true);
        rig.fake.script(script(c.analysis, c.transform));
        rig.cancel_when([&] { return rig.label().rfind(c.label_word, 0) == 0; }, c.by_escape);
        rig.fix(rig.target());

        EXPECT_TRUE(rig.cancel_flag) << c.shows;
        EXPECT_EQ(rig.successes, 0) << c.shows;
        EXPECT_TRUE(rig.fake.dialogs.messages.empty()) << c.shows;
        EXPECT_EQ(rig.fake.runs().size(), c.runs) << c.shows;
        EXPECT_TRUE(child_processes().empty()) << c.shows;
        EXPECT_EQ(test::read_file(rig.target()), "precious") << c.shows;
        EXPECT_EQ(rig.out_files(), std::vector<std::string>{"steady.mp4"})
            << c.shows << ": the partial output is gone";
        EXPECT_TRUE(rig.fake.runtime_entries().empty()) << c.shows << ": the job folder is gone";
        EXPECT_FALSE(rig.progress.isVisible()) << c.shows;
    }
}

TEST(Job, TheDurationDecidesOnlyTheGauge)
{
    struct Case
    {
        const char* shows;
        std::string duration;
        std::size_t runs;
        std::vector<std::string> messages; // after the failure box
    };
    const Case cases[] = {
        {"a zero duration skips every update, both passes run", "00:00:00.00", 2, {}},
        {"a duration that is no number stops before the first pass",
         "00:00:ab",
         0,
         {"'ab' is not a valid floating point value."}},
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.media.duration = c.duration;
        rig.fake.script(script(good_analysis, good_transform));
        rig.fix(rig.target());
        EXPECT_EQ(rig.fake.runs().size(), c.runs) << c.shows;
        auto expected = c.messages;
        expected.insert(expected.begin(), rig.failure_box(""));
        EXPECT_EQ(rig.fake.dialogs.message_texts(), expected) << c.shows;
        EXPECT_EQ(child<Gauge>(rig.progress, "gauge")->progress(), 0) << c.shows;
        EXPECT_EQ(rig.out_files(), std::vector<std::string>{}) << c.shows;
        EXPECT_FALSE(rig.progress.isVisible()) << c.shows;
    }
}

TEST(Job, ASecondJobStartsClean)
{
    Rig rig;
    rig.fake.script(script(good_analysis, progress_line("00:00:05.00") + "hang\n"));
    rig.cancel_when([&] { return rig.label().rfind("Process", 0) == 0; });
    rig.fix(rig.target());
    ASSERT_TRUE(rig.cancel_flag);
    ASSERT_EQ(child<Gauge>(rig.progress, "gauge")->progress(), 75);

    // Converters that print nothing: only a clean start reports this as a failure
    // with an empty code, leaving the gauge at 0 and the label empty.
    rig.fake.script(script("exit 0\n", "touch-last\nexit 0\n"));
    rig.fix(rig.target());
    EXPECT_FALSE(rig.cancel_flag);
    EXPECT_EQ(rig.successes, 0);
    EXPECT_EQ(rig.fake.dialogs.message_texts(), std::vector<std::string>{rig.failure_box("")});
    EXPECT_EQ(child<Gauge>(rig.progress, "gauge")->progress(), 0);
    EXPECT_EQ(rig.label(), "");

    rig.fake.script(script(good_analysis, good_transform));
    rig.fix(rig.target("again.mp4"));
    EXPECT_EQ(rig.successes, 1);
    EXPECT_EQ(rig.fake.dialogs.messages.size(), 1u);
}

// Transforms as an analysis pass writes them, and a transform pass that ends
// well only when it finds exactly these in its working folder.
const std::string motions =
    "VID.STAB 1\\n# fake motions\\nFrame 1 (List 1 [(LM 0 0 0 0 16 1 1)])\\n";
const std::string writing_analysis = progress_line("00:00:05.00") + "sleep 30\n" +
                                     progress_line("00:00:10.00") + "write calm.trf " + motions +
                                     "\nexit 0\n";
const std::string reading_transform = "expect calm.trf " + motions + "\n" +
                                      progress_line("00:00:05.00") + "sleep 150\n" +
                                      progress_line("00:00:10.00") + "touch-last\nexit 0\n";

// The passes the fake converter ran since its log was cleared, in order.
std::vector<std::string> passes_run(const Rig& rig)
{
    std::vector<std::string> passes;
    for (const auto& run : rig.fake.runs()) {
        std::string joined;
        for (const auto& a : run.argv)
            joined += a + " ";
        passes.push_back(joined.find("vidstabdetect=") != std::string::npos      ? "analysis"
                         : joined.find("vidstabtransform=") != std::string::npos ? "transform"
                                                                                 : joined);
    }
    return passes;
}

const std::vector<std::string> both_passes{"analysis", "transform"};
const std::vector<std::string> transform_only{"transform"};

// The transforms files kept in the user's cache folder.
std::vector<fs::path> kept_transforms(const Rig& rig)
{
    std::vector<fs::path> kept;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(rig.fake.env.cache_folder, ec))
        if (e.path().extension() == ".trf")
            kept.push_back(e.path());
    return kept;
}

// What the progress window shows, each time it changes while jobs run.
struct Steps
{
    explicit Steps(Rig& rig) : rig(rig)
    {
        auto* poll = new QTimer(&rig.progress);
        QObject::connect(poll, &QTimer::timeout, poll, [this] { sample(); });
        poll->start(1);
    }
    void sample()
    {
        const std::pair<std::string, int> now{rig.label(),
                                              child<Gauge>(rig.progress, "gauge")->progress()};
        if (!now.first.empty() && (seen.empty() || seen.back() != now))
            seen.push_back(now);
    }
    Rig& rig;
    std::vector<std::pair<std::string, int>> seen;
};

TEST(Job, ASecondFixWithTheSameAnalysisRunsTheTransformPassAlone)
{
    Rig rig;
    rig.fake.script(script(writing_analysis, reading_transform));
    rig.fix(rig.target());
    ASSERT_EQ(rig.successes, 1) << testing::PrintToString(rig.fake.dialogs.message_texts());
    ASSERT_EQ(passes_run(rig), both_passes);
    ASSERT_EQ(kept_transforms(rig).size(), 1u);

    // Nothing but what follows the analysis changes.
    rig.fake.clear_log();
    rig.parameters.smoothing = "20";
    rig.parameters.zoom = "5";
    rig.parameters.optzoom = AutoZoom::off;
    rig.parameters.crop = Borders::black;
    Steps steps(rig);
    rig.fix(rig.target("again.mp4"));
    steps.sample();

    EXPECT_EQ(rig.successes, 2) << testing::PrintToString(rig.fake.dialogs.message_texts());
    EXPECT_EQ(passes_run(rig), transform_only);
    const auto runs = rig.fake.runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_TRUE(std::any_of(runs[0].argv.begin(), runs[0].argv.end(), [](const std::string& a) {
        return a.find("smoothing=20:") != std::string::npos;
    })) << testing::PrintToString(runs[0].argv);
    EXPECT_EQ(fs::path(runs[0].cwd).parent_path().string() + "/", rig.fake.env.runtime_folder);
    EXPECT_EQ(test::read_file(rig.target("again.mp4")), "fake output\n");
    // The transform alone spans the gauge: half the clip is half the gauge.
    EXPECT_EQ(steps.seen,
              (std::vector<std::pair<std::string, int>>{{"Process 00:00:05.00 ......", 50},
                                                        {"Process 00:00:10.00 ......", 100}}));
    EXPECT_TRUE(rig.fake.runtime_entries().empty()) << "the job folder is gone";
    EXPECT_EQ(rig.out_files(), (std::vector<std::string>{"again.mp4", "steady.mp4"}));
    EXPECT_EQ(kept_transforms(rig).size(), 1u);
    EXPECT_TRUE(child_processes().empty());
}

TEST(Job, ADamagedKeptAnalysisIsRunAgain)
{
    const struct
    {
        const char* shows;
        std::function<void(const fs::path&)> damage;
    } cases[] = {
        {"cut short", [](const fs::path& p) { fs::resize_file(p, 9); }},
        {"emptied", [](const fs::path& p) { fs::resize_file(p, 0); }},
        {"grown", [](const fs::path& p) { std::ofstream(p, std::ios::app) << "more"; }},
        {"gone", [](const fs::path& p) { fs::remove(p); }},
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.fake.script(script(writing_analysis, reading_transform));
        rig.fix(rig.target());
        const auto kept = kept_transforms(rig);
        ASSERT_EQ(kept.size(), 1u) << c.shows;
        c.damage(kept[0]);

        rig.fake.clear_log();
        rig.parameters.smoothing = "20";
        rig.fix(rig.target("again.mp4"));
        // The transform pass ends well only on the whole transforms.
        EXPECT_EQ(rig.successes, 2)
            << c.shows << testing::PrintToString(rig.fake.dialogs.message_texts());
        EXPECT_TRUE(rig.fake.dialogs.messages.empty()) << c.shows;
        EXPECT_EQ(passes_run(rig), both_passes) << c.shows;
        EXPECT_EQ(test::read_file(rig.target("again.mp4")), "fake output\n") << c.shows;
        EXPECT_EQ(child<Gauge>(rig.progress, "gauge")->progress(), 100) << c.shows;

        // The fresh analysis took the damaged one's place.
        rig.fake.clear_log();
        rig.fix(rig.target("third.mp4"));
        EXPECT_EQ(rig.successes, 3) << c.shows;
        EXPECT_EQ(passes_run(rig), transform_only) << c.shows;
        EXPECT_EQ(kept_transforms(rig).size(), 1u) << c.shows;
    }
}

TEST(Job, AnAnalysisThatDidNotEndWellIsNotKept)
{
    const std::string started = progress_line("00:00:05.00") + "write calm.trf " + motions + "\n";
    const struct
    {
        const char* shows;
        std::string analysis;
        bool cancel;
        int successes;
    } cases[] = {
        {"an error status", started + "exit 1\n", false, 0},
        {"a failure text", started + "out x.mp4: No such file or directory\\n\nexit 0\n", false, 0},
        {"killed by a signal", started + "signal 9\n", false, 0},
        {"cancelled", started + "hang\n", true, 0},
        {"no progress shown, though the transform pass saved the job",
         "write calm.trf " + motions + "\nexit 0\n", false, 1},
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.fake.script(script(c.analysis, reading_transform));
        if (c.cancel)
            rig.cancel_when([&] { return rig.label().rfind("Analyze", 0) == 0; });
        rig.fix(rig.target());
        EXPECT_EQ(rig.successes, c.successes) << c.shows;
        EXPECT_EQ(rig.cancel_flag.load(), c.cancel) << c.shows;
        EXPECT_TRUE(kept_transforms(rig).empty()) << c.shows;

        rig.fake.clear_log();
        rig.fake.dialogs.messages.clear();
        rig.fake.script(script(writing_analysis, reading_transform));
        rig.fix(rig.target("again.mp4"));
        EXPECT_EQ(rig.successes, c.successes + 1) << c.shows;
        EXPECT_TRUE(rig.fake.dialogs.messages.empty()) << c.shows;
        EXPECT_EQ(passes_run(rig), both_passes) << c.shows;
        EXPECT_EQ(kept_transforms(rig).size(), 1u) << c.shows;
        EXPECT_TRUE(child_processes().empty()) << c.shows;
    }
}

// Records the caption each time the window is shown and each time it changes.
struct Captions final : QObject
{
    explicit Captions(Rig& rig) : rig(rig)
    {
        rig.progress.installEventFilter(this);
        QObject::connect(&rig.progress, &QWidget::windowTitleChanged, this,
                         [this](const QString& title) {
                             changes.push_back({this->rig.label(), title.toStdString()});
                         });
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            at_show.push_back(rig.progress.windowTitle().toStdString());
        return false;
    }
    Rig& rig;
    std::vector<std::string> at_show;
    std::vector<std::pair<std::string, std::string>> changes; // the label then, the caption
};

TEST(ProgressWindow, TheCaptionShowsTheTimeLeftOnceItCanBeEstimated)
{
    Rig rig;
    Captions captions(rig);
    // Reports spread over more than the 2 s an estimate needs.
    const std::string slow_analysis =
        progress_line("00:00:01.00") + "sleep 700\n" + progress_line("00:00:02.00") +
        "sleep 700\n" + progress_line("00:00:03.00") + "sleep 700\n" +
        progress_line("00:00:04.00") + "sleep 100\n" + progress_line("00:00:05.00") +
        "write calm.trf " + motions + "\nexit 0\n";
    rig.fake.script(script(slow_analysis, reading_transform));
    rig.fix(rig.target());
    ASSERT_EQ(rig.successes, 1) << testing::PrintToString(rig.fake.dialogs.message_texts());

    const std::regex estimate("about [1-9][0-9]* (s|min) left");
    EXPECT_EQ(captions.at_show, std::vector<std::string>{""});
    bool estimated = false;
    for (const auto& [label, caption] : captions.changes) {
        if (caption.empty())
            continue;
        estimated = true;
        EXPECT_TRUE(std::regex_match(caption, estimate)) << caption;
        EXPECT_NE(label, "Analyze 00:00:01.00 ......") << "one report gives no rate";
    }
    EXPECT_TRUE(estimated) << testing::PrintToString(captions.changes);

    // The next job starts without the last one's estimate, and its transform
    // pass alone reports over too short a time for one.
    captions.changes.clear();
    rig.fake.clear_log();
    rig.parameters.smoothing = "20";
    rig.fix(rig.target("again.mp4"));
    ASSERT_EQ(rig.successes, 2);
    ASSERT_EQ(passes_run(rig), transform_only);
    EXPECT_EQ(captions.at_show, (std::vector<std::string>{"", ""}));
    EXPECT_EQ(rig.progress.windowTitle().toStdString(), "");
}

TEST(Fix, RefusesWithoutTouchingTheJob)
{
    struct Case
    {
        const char* shows;
        std::function<std::optional<std::string>(Rig&)> prepare; // gives the save answer
        std::optional<std::string> message;
        bool save_dialog_shown;
        std::optional<std::string> question;
    };
    const Case cases[] = {
        {"no video loaded",
         [](Rig& r) {
             r.media.clear();
             return std::optional<std::string>(r.target());
         },
         "Please load file at first!", false, std::nullopt},
        {"the source is gone",
         [](Rig& r) {
             fs::remove(r.source());
             return std::optional<std::string>(r.target());
         },
         "Can not locate the source file: ", false, std::nullopt},
        {"the save dialog cancelled", [](Rig&) { return std::optional<std::string>(); },
         std::nullopt, true, std::nullopt},
        {"the source itself", [](Rig& r) { return std::optional<std::string>(r.source()); },
         "The target file name is as same as source file", true, std::nullopt},
        {"a link to the source",
         [](Rig& r) {
             fs::create_symlink(r.source(), r.target("link.mp4"));
             return std::optional<std::string>(r.target("link.mp4"));
         },
         "The target file name is as same as source file", true, std::nullopt},
        {"another path to the source",
         [](Rig& r) {
             return std::optional<std::string>(
                 (r.out / ".." / "clips" / "shaky clip.mp4").string());
         },
         "The target file name is as same as source file", true, std::nullopt},
        {"an existing target not to be replaced",
         [](Rig& r) {
             test::write_file(r.target(), "precious");
             return std::optional<std::string>(r.target());
         },
         std::nullopt, true, "already exists.\rDo you want to replace it?"},
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.fake.script(script(good_analysis, good_transform));
        child<QLabel>(rig.progress, "step_label")->setText(QStringLiteral("old"));
        child<Gauge>(rig.progress, "gauge")->set_progress(40);
        const auto answer = c.prepare(rig);
        const std::string source = rig.media.filename;
        rig.fix(answer);

        EXPECT_TRUE(rig.fake.runs().empty()) << c.shows;
        EXPECT_TRUE(rig.cancel_flag) << c.shows << ": the flag is not touched";
        EXPECT_EQ(rig.label(), "old") << c.shows;
        EXPECT_EQ(child<Gauge>(rig.progress, "gauge")->progress(), 40) << c.shows;
        EXPECT_EQ(rig.fake.dialogs.save_seen.size(), c.save_dialog_shown ? 1u : 0u) << c.shows;
        if (c.message) {
            ASSERT_EQ(rig.fake.dialogs.messages.size(), 1u) << c.shows;
            const auto& box = rig.fake.dialogs.messages[0];
            const std::string expected =
                *c.message + (c.message->back() == ' ' ? source : std::string());
            EXPECT_EQ(box.text, expected) << c.shows;
            EXPECT_EQ(box.caption, "Error") << c.shows;
            EXPECT_EQ(box.icon, Icon::error) << c.shows;
            EXPECT_EQ(box.owner, &rig.main_window) << c.shows;
        } else {
            EXPECT_TRUE(rig.fake.dialogs.messages.empty()) << c.shows;
        }
        if (c.question) {
            ASSERT_EQ(rig.fake.dialogs.questions.size(), 1u) << c.shows;
            EXPECT_EQ(rig.fake.dialogs.questions[0].text, *answer + " " + *c.question) << c.shows;
            EXPECT_EQ(rig.fake.dialogs.questions[0].caption, "Confirm") << c.shows;
            EXPECT_EQ(test::read_file(*answer), "precious") << c.shows;
        } else {
            EXPECT_TRUE(rig.fake.dialogs.questions.empty()) << c.shows;
        }
        EXPECT_TRUE(fs::exists(rig.source()) || !rig.media.loaded() ||
                    std::string(c.shows) == "the source is gone")
            << c.shows;
    }
}

TEST(Fix, PreparesTheSaveDialogAtEveryPress)
{
    Rig rig;
    rig.fake.script(script(good_analysis, good_transform));
    rig.fix(rig.target());
    ASSERT_EQ(rig.successes, 1);
    EXPECT_EQ(rig.save.file_name, rig.target()) << "the target stays in the dialog";
    rig.save.filter_index = 2;
    rig.fix(std::nullopt);
    ASSERT_EQ(rig.fake.dialogs.save_seen.size(), 2u);
    for (const auto& seen : rig.fake.dialogs.save_seen) {
        EXPECT_EQ(seen.file_name, "");
        EXPECT_EQ(seen.filter_index, 0);
        EXPECT_EQ(seen.default_ext, "mp4");
        EXPECT_EQ(seen.filter.substr(0, 24), "*.MP4|*.mp4|*.AVI|*.avi|");
    }
}

} // namespace
} // namespace calm
