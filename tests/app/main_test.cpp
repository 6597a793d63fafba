#include "app/main_window.h"
#include "app/preview.h"
#include "app/program.h"
#include "child.h"
#include "converter/runner.h"
#include "fake_converter.h"
#include "app/progress_dialog.h"
#include "platform/image_view.h"
#include "platform/slider.h"
#include "settings/options_dialog.h"
#include "shaky_clip.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

using calm::test::child;

namespace calm {
namespace {

namespace fs = std::filesystem;
using test::FakeConverter;

std::string description(const std::string& duration, const std::string& size)
{
    return "out ffmpeg version fake\\n\nout Input #0, mov,mp4,m4a, from 'clip.mp4':\\n  "
           "Duration: " +
           duration +
           ", start: 0.000000, bitrate: 5123 kb/s\\n  Stream #0:0(und): Video: h264, yuv420p, " +
           size +
           " [SAR 1:1], 4987 kb/s, 29.97 fps\\n  Stream #0:1(und): Audio: aac, 48000 Hz, "
           "stereo, 128 kb/s\\n\n";
}

// A video of the given duration and frame size; previews write a frame.
std::string video(const std::string& duration = "00:01:10.52",
                  const std::string& size = "1920x1080")
{
    return "on -ss\nbmp\nexit 0\non *\n" + description(duration, size) + "exit 1\n";
}

class MainWindowTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        fake.script(video());
        program = start(fake.env);
        ASSERT_NE(program, nullptr);
        w = program->main.get();
        fake.clear_log();
    }
    void TearDown() override { EXPECT_TRUE(test::child_processes().empty()); }

    std::vector<test::LoggedRun> runs_with(const std::string& arg)
    {
        std::vector<test::LoggedRun> out;
        for (const auto& r : fake.runs())
            if (std::find(r.argv.begin(), r.argv.end(), arg) != r.argv.end())
                out.push_back(r);
        return out;
    }

    void open(const std::string& path)
    {
        fake.dialogs.open_answers.push_back({path});
        w->load_video();
    }

    FakeConverter fake;
    std::unique_ptr<Program> program;
    MainWindow* w = nullptr;
};

TEST_F(MainWindowTest, LoadByDialogProbesSetsTheSliderAndShowsTheMiddleFrame)
{
    open("/videos/my clip.mp4");
    EXPECT_TRUE(fake.dialogs.messages.empty());
    ASSERT_EQ(fake.dialogs.open_seen.size(), 1u);
    EXPECT_EQ(fake.dialogs.open_seen[0].filter,
              "Video Files|*.AVI;*.MPG;*.MPEG;*.WMV;*.MP4;*.M4V;*.FLV;*.MKV;*.WEBM;*.MOV;*.VOB;"
              "*.ASF;*.TS;*.MTS;|");
    EXPECT_EQ(w->media().filename, "/videos/my clip.mp4");
    EXPECT_EQ(child<QLabel>(*w, "file_label")->text(), QStringLiteral("/videos/my clip.mp4"));
    EXPECT_EQ(child<Slider>(*w, "time_slider")->minimum(), 0);
    EXPECT_EQ(child<Slider>(*w, "time_slider")->maximum(), 7052);
    EXPECT_EQ(child<Slider>(*w, "time_slider")->value(), 3526);

    const auto runs = fake.runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].argv,
              (std::vector<std::string>{fake.converter(), "-i", "/videos/my clip.mp4"}));
    ASSERT_EQ(runs[1].argv.size(), 11u);
    const fs::path frame = runs[1].argv.back();
    EXPECT_EQ(runs[1].argv, (std::vector<std::string>{fake.converter(), "-ss", "00:00:35.26", "-i",
                                                      "/videos/my clip.mp4", "-y", "-vframes", "1",
                                                      "-s", "429x241", frame.string()}));
    // The frame lives in a private folder of this running copy, not beside the program.
    EXPECT_EQ(frame.filename(), "preview.bmp");
    EXPECT_EQ(frame.parent_path().parent_path().string() + "/", fake.env.runtime_folder);
    EXPECT_EQ(frame.parent_path().filename().string().rfind("calmora-view-", 0), 0u);
    EXPECT_EQ(fs::status(frame.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    ASSERT_TRUE(child<ImageView>(*w, "preview")->has_image());
    EXPECT_EQ(child<ImageView>(*w, "preview")->image().size(), QSize(429, 241));
    EXPECT_TRUE(w->isEnabled());
}

TEST_F(MainWindowTest, SliderMaximumFromTheDuration)
{
    const struct
    {
        const char* shows;
        const char* duration;
        int maximum, value;
    } cases[] = {
        {"worked example", "00:01:10.52", 7052, 3526},
        {"odd maximum: the half is rounded down", "00:01:10.53", 7053, 3526},
        {"zero maximum keeps the previous range", "00:00:00.00", 7053, 3526},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        fake.script(video(c.duration));
        open("/v/a.mp4");
        EXPECT_EQ(child<Slider>(*w, "time_slider")->maximum(), c.maximum);
        EXPECT_EQ(child<Slider>(*w, "time_slider")->value(), c.value);
    }
}

TEST_F(MainWindowTest, DropLoadsEachVideoInOrderAndSkipsOthersSilently)
{
    w->drop_files({"/v/a.mp4", "/v/notes.txt", "/v/b.mkv"});
    EXPECT_TRUE(fake.dialogs.messages.empty());
    EXPECT_EQ(w->media().filename, "/v/b.mkv");
    std::vector<std::string> probed;
    for (const auto& r : fake.runs())
        if (r.argv.size() == 3)
            probed.push_back(r.argv[2]);
    EXPECT_EQ(probed, (std::vector<std::string>{"/v/a.mp4", "/v/b.mkv"}));
}

TEST_F(MainWindowTest, ProbeIsTriedTwiceBeforeTheLoadFails)
{
    // Once: the first probe finds nothing, the second succeeds, no message.
    fake.script("on -ss\nbmp\nexit 0\non * once\nout garbage\\n\nexit 1\non *\n" +
                description("00:01:10.52", "1920x1080") + "exit 0\n");
    open("/v/a.mp4");
    EXPECT_TRUE(fake.dialogs.messages.empty());
    EXPECT_EQ(w->media().filename, "/v/a.mp4");

    // Twice: the box names the second code and nothing stays loaded.
    fake.script("on *\nout Duration: N/A, bitrate: N/A\\n\nexit 1\n");
    fake.clear_log();
    open("/v/b.mp4");
    ASSERT_EQ(fake.dialogs.messages.size(), 1u);
    EXPECT_EQ(fake.dialogs.messages[0].text, "File load error! No duration!");
    EXPECT_EQ(fake.dialogs.messages[0].caption, "");
    EXPECT_EQ(fake.dialogs.messages[0].icon, Icon::error);
    EXPECT_EQ(fake.dialogs.messages[0].owner, w);
    EXPECT_FALSE(w->media().loaded());
    EXPECT_EQ(fake.runs().size(), 2u);
    EXPECT_TRUE(w->isEnabled());
}

TEST_F(MainWindowTest, UnlistedTypeLoadsFromTheDialogButKeepsSliderAndPreview)
{
    open("/v/a.mp4");
    const QImage before = child<ImageView>(*w, "preview")->image();
    fake.clear_log();
    open("/v/phone.3gp");
    EXPECT_EQ(w->media().filename, "/v/phone.3gp");
    EXPECT_EQ(child<Slider>(*w, "time_slider")->maximum(), 7052);
    EXPECT_EQ(runs_with("-ss").size(), 0u);
    EXPECT_EQ(child<ImageView>(*w, "preview")->image(), before);

    fake.clear_log();
    w->drop_files({"/v/other.3gp"});
    EXPECT_TRUE(fake.runs().empty());
    EXPECT_EQ(w->media().filename, "/v/phone.3gp");
}

TEST_F(MainWindowTest, SliderGesturesGrabTheFrameAtTheirTime)
{
    // Before any load nothing runs.
    QTest::keyClick(child<Slider>(*w, "time_slider"), Qt::Key_End);
    EXPECT_TRUE(fake.runs().empty());

    open("/v/a.mp4");
    fake.clear_log();
    QTest::keyClick(child<Slider>(*w, "time_slider"), Qt::Key_End);
    QTest::keyClick(child<Slider>(*w, "time_slider"), Qt::Key_Home);
    QTest::keyClick(child<Slider>(*w, "time_slider"), Qt::Key_Home);
    const auto grabs = runs_with("-ss");
    ASSERT_EQ(grabs.size(), 3u);
    EXPECT_EQ(grabs[0].argv[2], "00:01:10.52");
    EXPECT_EQ(grabs[1].argv[2], "00:00:00.00");
    EXPECT_EQ(grabs[2].argv[2], "00:00:00.00");
}

TEST_F(MainWindowTest, NoFrameWrittenShowsNoOldFrame)
{
    open("/v/a.mp4");
    ASSERT_TRUE(child<ImageView>(*w, "preview")->has_image());
    // Another video whose grab writes nothing, as past its last frame.
    fake.script("on -ss\nexit 0\non *\n" + description("00:00:10.00", "320x240") + "exit 0\n");
    open("/v/b.mp4");
    EXPECT_TRUE(fake.dialogs.messages.empty());
    EXPECT_FALSE(child<ImageView>(*w, "preview")->has_image());
    EXPECT_FALSE(fs::exists(runs_with("-ss").back().argv.back()));
}

TEST_F(MainWindowTest, PreviewFailuresAreReportedAndTheWindowComesBack)
{
    open("/v/a.mp4");
    fs::remove(fake.converter());
    QTest::keyClick(child<Slider>(*w, "time_slider"), Qt::Key_Right);
    ASSERT_EQ(fake.dialogs.messages.size(), 1u);
    EXPECT_EQ(fake.dialogs.messages[0].text, "Preview error! 022");
    EXPECT_EQ(fake.dialogs.messages[0].icon, Icon::error);
    EXPECT_TRUE(w->isEnabled());
}

TEST_F(MainWindowTest, ATurnedTrackIsPreviewedInItsShownShape)
{
    const struct
    {
        const char* shows;
        const char* rotation;
        const char* size;
    } cases[] = {
        {"a quarter turn", "-90.00", "429x763"},
        {"the other way", "90.00", "429x763"},
        {"upside down keeps the shape", "180.00", "429x241"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        fake.script("on -ss\nbmp\nexit 0\non *\nout   Duration: 00:00:10.00, start: 0.0, "
                    "bitrate: 900 kb/s\\n  Stream #0:0(und): Video: h264, yuv420p, 1920x1080, "
                    "25 fps\\n    Side data:\\n      displaymatrix: rotation of " +
                    std::string(c.rotation) + " degrees\\n\nexit 1\n");
        fake.clear_log();
        open("/v/phone.mp4");
        const auto grabs = runs_with("-ss");
        ASSERT_EQ(grabs.size(), 1u);
        EXPECT_EQ(grabs[0].argv[9], c.size);
        EXPECT_EQ(w->media().width, "1920");
        EXPECT_EQ(w->media().height, "1080");
    }
}

TEST_F(MainWindowTest, AConverterThatNeverAnswersIsEndedAndReported)
{
    // The limit is shortened so the test does not wait the real 20 s.
    fake.env.answer_limit_ms = 300;
    struct Case
    {
        const char* shows;
        std::string script;
        std::string message;
        std::size_t probes;
    };
    const Case cases[] = {
        {"a probe of a file that never ends, tried once",
         "on *\nout Input #0, from '/v/pipe.mp4':\\n\nhang\n",
         "File load error! the converter gave no answer within 0.3 s", 1},
        {"a preview that never ends",
         "on -ss\nhang\non *\n" + description("00:00:10.00", "320x240") + "exit 1\n",
         "Preview error! the converter gave no answer within 0.3 s", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        fake.script(c.script);
        fake.clear_log();
        fake.dialogs.messages.clear();
        open("/v/pipe.mp4");
        EXPECT_EQ(fake.dialogs.message_texts(), std::vector<std::string>{c.message});
        std::size_t probes = 0;
        for (const auto& r : fake.runs())
            probes += r.argv.size() == 3;
        EXPECT_EQ(probes, c.probes);
        EXPECT_TRUE(w->isEnabled());
        EXPECT_FALSE(w->busy());
        EXPECT_TRUE(test::child_processes().empty());
    }
    EXPECT_EQ(no_answer_reason(default_answer_limit_ms),
              "the converter gave no answer within 20 s");
}

TEST_F(MainWindowTest, TheSliderKeepsTheFocusThroughEveryGrab)
{
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    open("/v/a.mp4");
    auto* slider = child<Slider>(*w, "time_slider");
    QTest::mouseClick(slider, Qt::LeftButton, {}, slider->rect().center());
    test::wait_until([&] { return !w->busy(); });
    slider->setFocus(Qt::MouseFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), slider);
    fake.clear_log();

    // Each key goes where the focus is, as a user's would.
    const struct
    {
        Qt::Key key;
        int value;
    } keys[] = {{Qt::Key_Home, 0},
                {Qt::Key_End, 7052},
                {Qt::Key_Left, 7040},
                {Qt::Key_Right, 7050},
                {Qt::Key_Home, 0}};
    for (const auto& k : keys) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, k.key);
        EXPECT_EQ(QApplication::focusWidget(), slider) << "after key " << k.key;
        EXPECT_EQ(slider->value(), k.value) << "after key " << k.key;
    }
    EXPECT_EQ(runs_with("-ss").size(), 5u);
    // The Tab order is as before.
    EXPECT_EQ(slider->nextInFocusChain(), child<QWidget>(*w, "fix_button"));
    w->close();
}

TEST_F(MainWindowTest, NoFrameSizeGivesTheConversionErrorThroughTheReport)
{
    fake.script("on *\nout Duration: 00:00:05.00, start: 0.0, bitrate: 100 kb/s\\n\nexit 0\n");
    open("/v/a.mp4");
    ASSERT_EQ(fake.dialogs.messages.size(), 1u);
    EXPECT_EQ(fake.dialogs.messages[0].text, "'' is not a valid floating point value.");
    EXPECT_EQ(fake.dialogs.messages[0].caption, "Calmora");
    EXPECT_EQ(w->media().filename, "/v/a.mp4"); // stays loaded, as far as it came
    EXPECT_TRUE(w->isEnabled());

    // Dropped, the same error ends the drop without a word.
    fake.dialogs.messages.clear();
    w->drop_files({"/v/b.mp4", "/v/c.mp4"});
    EXPECT_TRUE(fake.dialogs.messages.empty());
    EXPECT_EQ(w->media().filename, "/v/b.mp4");
}

TEST_F(MainWindowTest, DropWhileAConverterRunsIsIgnored)
{
    bool dropped_during = false;
    fake.script("on -ss\nsleep 200\nbmp\nexit 0\non *\n" + description("00:00:10.00", "320x240") +
                "exit 0\n");
    QTimer::singleShot(100, [&] {
        dropped_during = w->busy();
        w->drop_files({"/v/other.mp4"});
    });
    open("/v/a.mp4");
    EXPECT_TRUE(dropped_during);
    EXPECT_EQ(w->media().filename, "/v/a.mp4");
}

// What SIGTERM and SIGINT come to: the job stops and cleans up as its Cancel
// does, and the windows go without anything left running.
TEST_F(MainWindowTest, EndingTheProgramCancelsTheJobAndClosesTheWindows)
{
    const auto source = (fake.root() / "clip.mp4").string();
    const auto target = fake.root() / "steady.mp4";
    test::write_file(source, "source video");
    w->show();
    w->drop_files({source});
    ASSERT_TRUE(w->media().loaded());
    fake.script("on vidstabdetect\nout frame=   10 fps=0.0 q=-0.0 size=N/A time=00:00:05.00 "
                "bitrate=N/A speed=2x\\r\ntouch calm.trf\nhang\n" +
                video());
    fake.clear_log();

    auto* poll = new QTimer(w);
    QObject::connect(poll, &QTimer::timeout, poll, [this, poll] {
        const auto label = child<QLabel>(*program->progress, "step_label")->text();
        if (!program->progress->isVisible() || !label.startsWith(QStringLiteral("Analyze")))
            return;
        poll->stop();
        w->end_program();
    });
    poll->start(5);
    fake.dialogs.save_answers.push_back(target.string());
    w->fix();
    test::wait_until([&] { return !program->progress->isVisible(); }, 2000);
    QCoreApplication::processEvents();

    EXPECT_FALSE(poll->isActive()) << "the job never got going";
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(program->progress->isVisible());
    EXPECT_TRUE(fake.dialogs.messages.empty());
    std::vector<std::string> passes;
    for (const auto& r : fake.runs())
        for (const auto& a : r.argv)
            for (const char* filter : {"vidstabdetect", "vidstabtransform"})
                if (a.find(filter) != std::string::npos)
                    passes.push_back(filter);
    EXPECT_EQ(passes, std::vector<std::string>{"vidstabdetect"}) << "no transform pass";
    EXPECT_FALSE(fs::exists(target));
    EXPECT_FALSE(fs::exists(fake.root() / "calm.trf"));

    // The loops were told to end; one turn of the main loop clears that for the next tests.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

// A box the close brings up (here: the settings cannot be written) must not
// keep a program that was told to end: nobody may be there to answer it.
TEST_F(MainWindowTest, EndingTheProgramIsNotHeldByABoxNobodyAnswers)
{
    w->show();
    fs::create_directories(fake.env.config_folder + "calmview.ini");
    fake.dialogs.on_message = [](const test::Shown&) {
        QDialog box; // modal, as the real message box is
        box.exec();
    };
    QTimer::singleShot(0, w, [this] { w->end_program(); });
    QCoreApplication::exec(); // the main loop, which end_program ends
    EXPECT_FALSE(w->isVisible());
    ASSERT_EQ(fake.dialogs.messages.size(), 1u) << "the settings write was meant to fail";
    EXPECT_EQ(fake.dialogs.messages[0].text.rfind("Unable to write to ", 0), 0u);
}

TEST_F(MainWindowTest, SuccessReportComesOnceFromItsTimer)
{
    child<QTimer>(*w, "report_timer")->start();
    ASSERT_TRUE(test::wait_until([&] { return !fake.dialogs.messages.empty(); }));
    QTest::qWait(20);
    ASSERT_EQ(fake.dialogs.messages.size(), 1u);
    EXPECT_EQ(fake.dialogs.messages[0].text, "The process completed successfully!");
    EXPECT_EQ(fake.dialogs.messages[0].caption, "");
    EXPECT_EQ(fake.dialogs.messages[0].icon, Icon::warning);
    EXPECT_FALSE(child<QTimer>(*w, "report_timer")->isActive());
}

TEST_F(MainWindowTest, SettingsAreReadAtShowAndWrittenAtClose)
{
    const std::string beside = fake.program_folder() + "calmview.ini";
    const struct
    {
        const char* shows;
        const char* own;     // the user's file before the start, nullptr: none
        const char* earlier; // a file beside the program, nullptr: none
        const char* shakiness;
    } cases[] = {
        {"a new user: defaults", nullptr, nullptr, "5"},
        {"the user's own file", "[options]\nshakiness=7\n", nullptr, "7"},
        {"an earlier version's file carries over", nullptr, "[options]\nshakiness=8\n", "8"},
        {"the user's own file wins", "[options]\nshakiness=7\n", "[options]\nshakiness=8\n", "7"},
    };
    for (const auto& c : cases) {
        fs::remove_all(fake.root() / "home");
        fs::remove(beside);
        if (c.own) {
            fs::create_directories(fake.env.config_folder);
            test::write_file(fake.settings_file(), c.own);
        }
        if (c.earlier)
            test::write_file(beside, c.earlier);
        auto run = start(fake.env);
        ASSERT_NE(run, nullptr);
        run->main->show();
        EXPECT_EQ(run->options->parameters().shakiness, c.shakiness) << c.shows;
        EXPECT_EQ(run->options->parameters().accuracy, "15") << c.shows;
        run->main->close();
        EXPECT_TRUE(fake.dialogs.messages.empty()) << c.shows;
        const auto ini = test::read_file(fake.settings_file());
        EXPECT_NE(ini.find(std::string("shakiness=") + c.shakiness), std::string::npos) << c.shows;
        EXPECT_NE(ini.find("smoothing=10"), std::string::npos) << c.shows;
        // Only the user's own file is written.
        EXPECT_EQ(fs::exists(beside), c.earlier != nullptr) << c.shows;
        if (c.earlier) {
            EXPECT_EQ(test::read_file(beside), c.earlier) << c.shows;
        }
    }
}

TEST_F(MainWindowTest, BorderAndTripodSettingsReachBothPassesAndAreWrittenBack)
{
    const std::string progress =
        "out frame=   10 fps=0.0 q=-0.0 size=N/A time=00:00:05.00 bitrate=N/A speed=2x\\r\n";
    fake.script("on -ss\nbmp\nexit 0\non vidstabdetect\n" + progress +
                "touch calm.trf\nexit 0\non vidstabtransform\n" + progress +
                "touch-last\nexit 0\n" + video());
    test::write_file(fake.program_folder() + "calmview.ini",
                     "[options]\nsmoothing=20\nzoom=-5\noptzoom=2\ncrop=black\ntripod=1\n");
    w->show();
    const auto source = fake.root() / "clip.mp4";
    test::write_file(source, "video");
    open(source.string());
    fake.clear_log();
    fake.dialogs.save_answers.push_back((fake.root() / "steady.mp4").string());
    w->fix();
    ASSERT_TRUE(test::wait_until([&] { return !fake.dialogs.messages.empty(); }));
    EXPECT_EQ(fake.dialogs.message_texts(),
              (std::vector<std::string>{"The process completed successfully!"}));
    const auto runs = runs_with("-vf");
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].argv.at(5), "vidstabdetect=shakiness=5:accuracy=15:stepsize=6:"
                                  "mincontrast=0.3:tripod=1:result=calm.trf");
    const auto& transform = runs[1].argv;
    ASSERT_GE(transform.size(), 2u);
    EXPECT_EQ(transform.at(transform.size() - 2),
              "vidstabtransform=input=calm.trf:smoothing=20:zoom=-5:optzoom=2:crop=black:"
              "tripod=1,unsharp=5:5:1.0:5:5:0.0");

    // A change on the page is saved with the rest, into the user's own file,
    // when the main window closes.
    child<QCheckBox>(*program->options, "tripod_check")->setChecked(false);
    w->close();
    const auto ini = test::read_file(fake.env.config_folder + "calmview.ini");
    EXPECT_EQ(ini, "[options]\nshakiness=5\naccuracy=15\nstepsize=6\nmincontrast=0.3\n"
                   "smoothing=20\nzoom=-5\noptzoom=2\ncrop=black\ntripod=0\n");
}

TEST_F(MainWindowTest, UnwritableSettingsAreReportedAndTheWindowStillCloses)
{
    const fs::path home = fake.root() / "home";
    const struct
    {
        const char* shows;
        std::function<void()> spoil;
    } cases[] = {
        {"a folder in the file's place", [&] { fs::create_directories(fake.settings_file()); }},
        {"a file in the settings folder's place",
         [&] {
             fs::create_directories(home);
             test::write_file(home / ".config", "not a folder");
         }},
    };
    for (const auto& c : cases) {
        fs::remove_all(home);
        fake.dialogs.messages.clear();
        auto run = start(fake.env);
        ASSERT_NE(run, nullptr);
        run->main->show();
        c.spoil();
        run->main->close();
        EXPECT_FALSE(run->main->isVisible()) << c.shows;
        ASSERT_EQ(fake.dialogs.messages.size(), 1u) << c.shows;
        EXPECT_EQ(fake.dialogs.messages[0].text, "Unable to write to " + fake.settings_file() + ".")
            << c.shows;
    }
}

TEST_F(MainWindowTest, EachRunningCopyHasItsOwnPreviewFolderGoneAtItsEnd)
{
    open("/v/a.mp4");
    auto other = start(fake.env);
    ASSERT_NE(other, nullptr);
    fake.dialogs.open_answers.push_back({"/v/a.mp4"});
    other->main->load_video();
    const auto grabs = runs_with("-ss");
    ASSERT_EQ(grabs.size(), 2u);
    const fs::path mine = fs::path(grabs[0].argv.back()).parent_path();
    const fs::path theirs = fs::path(grabs[1].argv.back()).parent_path();
    EXPECT_NE(mine, theirs);
    EXPECT_TRUE(fs::is_directory(mine));
    other.reset();
    EXPECT_FALSE(fs::exists(theirs)) << "gone when that copy ends";
    EXPECT_TRUE(fs::exists(grabs[0].argv.back())) << "this copy's frame stays while it runs";
    program.reset();
    EXPECT_TRUE(fake.runtime_entries().empty());
}

TEST(Preview, FrameSizeFollowsTheViewWidth)
{
    const struct
    {
        const char* width;
        const char* height;
        long long gives;
    } cases[] = {
        {"1920", "1080", 241}, {"1080", "540", 214}, // 214.5 goes to the even neighbour
        {"1080", "1920", 763}, {"100000", "10", 0},  {"720", "405", 241},
    };
    for (const auto& c : cases)
        EXPECT_EQ(preview_height(c.width, c.height, 429), c.gives) << c.width << "x" << c.height;
    EXPECT_THROW(preview_height("", "1080", 429), std::runtime_error);
}

TEST(MainWindowLive, LoadsARealVideoAndShowsARealFrame)
{
    FakeConverter fake;
    fs::remove(fake.converter());
    fs::create_symlink(CALM_FFMPEG, fake.converter());
    const auto clip = (fake.root() / "live clip.mp4").string();
    const std::string make = std::string(CALM_FFMPEG) +
                             " -v error -f lavfi -i testsrc=size=320x240:rate=25 -t 2 -pix_fmt "
                             "yuv420p -y '" +
                             clip + "'";
    ASSERT_EQ(std::system(make.c_str()), 0);
    auto program = start(fake.env);
    ASSERT_NE(program, nullptr);
    fake.dialogs.open_answers.push_back({clip});
    program->main->load_video();
    EXPECT_TRUE(fake.dialogs.messages.empty());
    EXPECT_EQ(program->main->media().duration, "00:00:02.00");
    EXPECT_EQ(child<Slider>(*program->main, "time_slider")->maximum(), 200);
    ASSERT_TRUE(child<ImageView>(*program->main, "preview")->has_image());
    EXPECT_EQ(child<ImageView>(*program->main, "preview")->image().size(), QSize(429, 322));
}

TEST(MainWindowLive, TheSampleClipThatComesWithTheProgramLoads)
{
    FakeConverter fake(false);
    fs::create_symlink(CALM_FFMPEG, fake.converter());
    auto program = start(fake.env);
    ASSERT_NE(program, nullptr);
    program->main->load_video_file(CALM_SAMPLE_CLIP);
    EXPECT_TRUE(fake.dialogs.messages.empty());
    EXPECT_EQ(program->main->media().duration, "00:00:04.00");
    EXPECT_EQ(program->main->media().width, "320");
    EXPECT_TRUE(child<ImageView>(*program->main, "preview")->has_image());
}

TEST(MainWindowLive, AWholeJobThroughTheRealWindowsGivesASteadierVideo)
{
    FakeConverter fake(false);
    fs::create_symlink(CALM_FFMPEG, fake.converter());
    const auto clip = fake.root() / "shaky clip.mp4";
    std::string log;
    ASSERT_TRUE(test::make_shaky_clip(clip, {}, &log)) << log;
    auto program = start(fake.env);
    ASSERT_NE(program, nullptr);
    MainWindow& w = *program->main;
    w.show();
    fake.dialogs.open_answers.push_back({clip.string()});
    w.load_video();
    ASSERT_TRUE(w.media().loaded());

    const auto target = fake.root() / "steady";
    fake.dialogs.save_answers.push_back(target.string()); // typed without an extension
    w.fix();
    ASSERT_TRUE(test::wait_until([&] { return !fake.dialogs.messages.empty(); }, 10000));
    EXPECT_EQ(fake.dialogs.message_texts(),
              (std::vector<std::string>{"The process completed successfully!"}));
    const auto output = fs::path(target.string() + ".mp4");
    ASSERT_TRUE(fs::exists(output));
    EXPECT_FALSE(fs::exists(fake.root() / "calm.trf"));
    for (const auto& entry : fake.runtime_entries())
        EXPECT_NE(entry.rfind("calmora-job-", 0), 0u) << "no job folder is left";
    const auto source = test::probe_video(clip);
    const auto steady = test::probe_video(output);
    EXPECT_NEAR(steady.duration, source.duration, 1.0 / 25);
    const double before = test::mean_global_motion(test::read_frames(clip, 320, 240));
    const double after = test::mean_global_motion(test::read_frames(output, 320, 240));
    EXPECT_LT(after * 2, before);
    w.close();
    EXPECT_TRUE(test::child_processes().empty());
}

} // namespace
} // namespace calm
