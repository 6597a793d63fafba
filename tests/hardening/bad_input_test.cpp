// Bad input end to end: the real windows, Debian's real converter, files and
// names a user may well have, a converter that dies or hangs, a settings
// file full of garbage, a program folder nothing can be written to. Each
// case checks what the user sees and that no converter is left behind.

#include "app/main_window.h"
#include "app/program.h"
#include "child.h"
#include "fake_converter.h"
#include "app/progress_dialog.h"
#include "media/video_extensions.h"
#include "platform/image_view.h"
#include "platform/profile.h"
#include "platform/slider.h"
#include "settings/options_dialog.h"
#include "settings/settings_file.h"
#include "shaky_clip.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

using calm::test::child;

namespace calm {
namespace {

namespace fs = std::filesystem;
using Runs = std::vector<std::vector<std::string>>;

const std::string success = "The process completed successfully!";

fs::path converter_binary()
{
    return fs::canonical(test::ffmpeg_path());
}

// The real converter behind a wrapper that logs each argument vector, NUL
// separated, and then becomes the converter itself (same process).
void install_logging_converter(const test::FakeConverter& folder)
{
    test::write_file(folder.converter(),
                     "#!/bin/sh\n"
                     "{ printf '%s\\0' \"$#\"; for a in \"$@\"; do printf '%s\\0' \"$a\"; done; } "
                     ">> \"$(dirname \"$0\")/args.log\"\n"
                     "exec '" +
                         converter_binary().string() + "' \"$@\"\n");
    fs::permissions(folder.converter(), fs::perms::owner_all | fs::perms::group_read |
                                            fs::perms::group_exec | fs::perms::others_read |
                                            fs::perms::others_exec);
}

Runs logged_runs(const test::FakeConverter& folder)
{
    const std::string log =
        test::read_file(fs::path(folder.converter()).parent_path() / "args.log");
    std::vector<std::string> fields;
    for (std::size_t at = 0; at < log.size();) {
        const auto end = log.find('\0', at);
        fields.push_back(log.substr(at, end - at));
        at = end + 1;
    }
    Runs runs;
    for (std::size_t i = 0; i < fields.size();) {
        const auto n = static_cast<std::size_t>(std::stoul(fields[i++]));
        runs.emplace_back(fields.begin() + static_cast<std::ptrdiff_t>(i),
                          fields.begin() + static_cast<std::ptrdiff_t>(i + n));
        runs.back().insert(runs.back().begin(), folder.converter());
        i += n;
    }
    return runs;
}

std::vector<std::string> runs_with(const Runs& runs, const std::string& marker)
{
    for (const auto& r : runs)
        for (const auto& a : r)
            if (a.find(marker) != std::string::npos)
                return r;
    return {};
}

// Our children that have become the converter, with their command lines.
std::vector<std::pair<int, std::string>> running_converters()
{
    std::vector<std::pair<int, std::string>> out;
    for (int pid : test::child_processes()) {
        const fs::path proc = "/proc/" + std::to_string(pid);
        std::error_code ec;
        if (fs::read_symlink(proc / "exe", ec) != converter_binary())
            continue;
        out.emplace_back(pid, test::read_file(proc / "cmdline"));
    }
    return out;
}

std::string random_bytes(std::size_t n, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xff);
    return bytes;
}

void run_converter(const std::string& arguments)
{
    const std::string command = "'" + converter_binary().string() + "' -v error -y " + arguments;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// A folder in which nothing can be made: a read-only one, or for a user
// whom permissions do not stop, one of the system's.
std::string unwritable_folder(const fs::path& root)
{
    const fs::path folder = root / "locked";
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(folder.c_str(), W_OK) != 0)
        return folder.string() + "/";
    return "/sys/";
}

class BadInput : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        char tmpl[] = "/tmp/calm-clips-XXXXXX";
        clips = fs::path(::mkdtemp(tmpl));
        clip = clips / "shaky.mp4";
        std::string log;
        test::ClipSpec shape;
        shape.width = 160;
        shape.height = 120;
        shape.seconds = 2;
        ASSERT_TRUE(test::make_shaky_clip(clip, shape, &log)) << log;
        facts = test::probe_video(clip);
    }
    static void TearDownTestSuite() { fs::remove_all(clips); }

    void SetUp() override
    {
        install_logging_converter(fake);
        fs::create_directories(media);
        fs::create_directories(out);
    }

    void TearDown() override
    {
        // Every case: no converter of ours left running, none a zombie.
        EXPECT_TRUE(test::child_processes().empty());
    }

    void start()
    {
        program = calm::start(fake.env);
        ASSERT_NE(program, nullptr);
        w = program->main.get();
    }

    // The shaky clip under another name, in a folder that may need making.
    std::string place(const std::string& name, const fs::path& folder = {})
    {
        const fs::path where = folder.empty() ? media : folder;
        fs::create_directories(where);
        const fs::path path = where / name;
        fs::copy_file(clip, path, fs::copy_options::overwrite_existing);
        return path.string();
    }

    std::string place_bytes(const std::string& name, const std::string& bytes)
    {
        const fs::path path = media / name;
        test::write_file(path, bytes);
        return path.string();
    }

    void open(const std::string& path)
    {
        fake.dialogs.open_answers.push_back({path});
        w->load_video();
    }

    // Fix with the target typed into the save dialog; returns once the job's
    // window is gone and its timers have fired.
    void fix(const std::string& target)
    {
        fake.dialogs.save_answers.push_back(target);
        w->fix();
        test::wait_until([&] { return !child<QTimer>(*w, "report_timer")->isActive(); }, 2000);
        QCoreApplication::processEvents();
    }

    // Calls act(pid) once for the first converter whose command line holds
    // marker, as soon as ready() agrees.
    void when_converter_runs(
        const std::string& marker, std::function<void(int)> act,
        std::function<bool()> ready = [] { return true; })
    {
        auto* watch = new QTimer(w);
        watch->setInterval(2);
        QObject::connect(watch, &QTimer::timeout, watch, [watch, marker, act, ready] {
            if (!ready())
                return;
            for (const auto& [pid, cmdline] : running_converters())
                if (cmdline.find(marker) != std::string::npos) {
                    watch->stop();
                    watch->deleteLater();
                    act(pid);
                    return;
                }
        });
        watch->start();
    }

    bool is_clip_video(const std::string& path) const
    {
        // The probe reads names as text; a neutral name stands for any other.
        const fs::path check = clips / "check.mp4";
        fs::copy_file(path, check, fs::copy_options::overwrite_existing);
        const auto got = test::probe_video(check);
        fs::remove(check);
        return got.width == facts.width && got.height == facts.height &&
               std::abs(got.frames - facts.frames) <= 1;
    }

    static inline fs::path clips;
    static inline fs::path clip;
    static inline test::VideoFacts facts;

    test::FakeConverter fake{false};
    fs::path media = fake.root() / "media";
    fs::path out = fake.root() / "out";
    std::unique_ptr<Program> program;
    MainWindow* w = nullptr;
};

TEST_F(BadInput, FilesThatAreNoVideosLoadNothing)
{
    std::string clip_bytes = test::read_file(clip);
    const struct
    {
        const char* shows;
        const char* name;
        std::string bytes;
    } cases[] = {
        {"an empty file", "empty.mp4", ""},
        {"text named .mp4", "notes.mp4", "Shopping: milk, eggs, tea.\n"},
        {"an MP4 cut in half", "cut.mp4", clip_bytes.substr(0, clip_bytes.size() / 2)},
        {"random bytes", "noise.mkv", random_bytes(64 * 1024, 9)},
    };
    start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        const std::string path = place_bytes(c.name, c.bytes);
        open(place("good.mp4"));
        ASSERT_TRUE(w->media().loaded());
        for (bool dropped : {false, true}) {
            fake.dialogs.messages.clear();
            if (dropped)
                w->drop_files({path});
            else
                open(path);
            EXPECT_EQ(fake.dialogs.message_texts(),
                      std::vector<std::string>{"File load error! No duration!"});
            EXPECT_FALSE(w->media().loaded());
            EXPECT_TRUE(w->isEnabled());
        }
        // Nothing is loaded, so there is nothing to fix.
        fake.dialogs.messages.clear();
        w->fix();
        EXPECT_EQ(fake.dialogs.message_texts(),
                  std::vector<std::string>{"Please load file at first!"});
    }
    EXPECT_TRUE(test::file_names_in(out).empty());
}

TEST_F(BadInput, AudioAloneOrNoFramesShowNoFrameOfAnotherVideo)
{
    run_converter("-f lavfi -i sine=frequency=440:duration=1 -c:a aac '" +
                  (media / "tone.mp4").string() + "'");
    run_converter("-f lavfi -i testsrc=size=160x120:rate=25 -frames:v 0 '" +
                  (media / "no frames.mp4").string() + "'");
    const struct
    {
        const char* shows;
        const char* name;
    } cases[] = {
        {"an audio-only file", "tone.mp4"},
        // The converter lists no video stream for it either.
        {"a video of zero frames", "no frames.mp4"},
    };
    start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        const std::string path = (media / c.name).string();
        open(place("good.mp4"));
        ASSERT_TRUE(child<ImageView>(*w, "preview")->has_image());
        fake.dialogs.messages.clear();

        open(path);
        // Loaded as far as the probe went; no frame size, so no preview.
        ASSERT_EQ(fake.dialogs.messages.size(), 1u);
        EXPECT_EQ(fake.dialogs.messages[0].text, "'' is not a valid floating point value.");
        EXPECT_EQ(fake.dialogs.messages[0].caption, "Calmora");
        EXPECT_EQ(w->media().filename, path);
        EXPECT_FALSE(child<ImageView>(*w, "preview")->has_image()) << "a frame of the video before";
        EXPECT_TRUE(w->isEnabled());

        // Nothing to stabilize: said before a target is asked for.
        fake.dialogs.messages.clear();
        fix((out / "steady.mp4").string());
        EXPECT_EQ(fake.dialogs.message_texts(),
                  std::vector<std::string>{"The file has no video stream to stabilize.\r" + path});
        EXPECT_EQ(fake.dialogs.save_answers.size(), 1u) << "no target was asked for";
        fake.dialogs.save_answers.clear();
        EXPECT_TRUE(test::file_names_in(out).empty());
    }
}

TEST_F(BadInput, AnyFileNameReachesTheConverterAsOneArgument)
{
    const std::string deep = std::string(200, 'd') + "/" + std::string(200, 'e') + "/" +
                             std::string(200, 'f') + "/" + std::string(200, 'g');
    const struct
    {
        const char* shows;
        std::string folder; // below media/ and out/
        std::string source;
        std::string target;
    } cases[] = {
        {"blanks", "", "my  shaky clip .mp4", "my steady clip.mp4"},
        {"double quotes", "", "say \"cheese\" -y \"x.mp4", "a \"steady\" one.mp4"},
        {"a backslash at the end", "", "clip.mp4\\", "steady\\.mp4"},
        {"a leading dash", "", "-y -i.mp4", "-f null -.mp4"},
        {"bytes that are not UTF-8", "", "\xE9t\xE9 \xFF\xFE.mp4", "\xE9t\xE9 fix\xE9.mp4"},
        {"a very long name", deep, std::string(240, 'n') + ".mp4", std::string(240, 't') + ".mp4"},
        {"a name that reads like a description", "",
         "take 4000x3000, Duration: 09:00:00, bitrate: 1 kbps.mp4", "9000x10, Duration: 1.mp4"},
    };
    start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        fs::remove_all(out);
        const std::string source = place(c.source, media / c.folder);
        const fs::path target_folder = c.folder.empty() ? out : out / c.folder;
        fs::create_directories(target_folder);
        const std::string target = (target_folder / c.target).string();
        fake.dialogs.messages.clear();
        fs::remove(fs::path(fake.converter()).parent_path() / "args.log");

        open(source);
        EXPECT_TRUE(fake.dialogs.messages.empty()) << fake.dialogs.messages[0].text;
        EXPECT_EQ(w->media().filename, source);
        EXPECT_EQ(w->media().width, std::to_string(facts.width));
        EXPECT_EQ(w->media().height, std::to_string(facts.height));
        if (passes_extension_test(source))
            EXPECT_NEAR(child<Slider>(*w, "time_slider")->maximum(), facts.duration * 100, 1);
        else // an unlisted type sets no slider and grabs no frame; a gesture does
            QTest::keyClick(child<Slider>(*w, "time_slider"), Qt::Key_Home);
        ASSERT_TRUE(child<ImageView>(*w, "preview")->has_image());
        EXPECT_EQ(child<ImageView>(*w, "preview")->image().width(), 429);
        EXPECT_EQ(child<ImageView>(*w, "preview")->image().height(), 322);

        fix(target);
        EXPECT_EQ(fake.dialogs.message_texts(), std::vector<std::string>{success});
        EXPECT_EQ(test::file_names_in(target_folder), std::vector<std::string>{c.target});
        EXPECT_TRUE(is_clip_video(target));

        const Runs runs = logged_runs(fake);
        const auto probe = runs_with(runs, "-i");
        EXPECT_EQ(probe, (std::vector<std::string>{fake.converter(), "-i", source}));
        const auto preview = runs_with(runs, "-vframes");
        ASSERT_GE(preview.size(), 5u);
        EXPECT_EQ(preview[4], source);
        EXPECT_EQ(fs::path(preview.back()).filename(), "preview.bmp");
        EXPECT_EQ(fs::path(preview.back()).parent_path().parent_path().string() + "/",
                  fake.env.runtime_folder);
        const auto analysis = runs_with(runs, "vidstabdetect");
        ASSERT_EQ(analysis.size(), 9u);
        EXPECT_EQ(analysis[2], source);
        const auto transform = runs_with(runs, "vidstabtransform");
        ASSERT_GE(transform.size(), 4u);
        EXPECT_EQ(transform[2], source);
        EXPECT_EQ(fs::path(transform.back()).parent_path(), target_folder);
    }
}

TEST_F(BadInput, DroppedNamesArriveWhole)
{
    const std::string names[] = {"my clip.mp4", "\xE9t\xE9 \xFF.mp4", "100% \"sure\" #1?.mp4"};
    start();
    w->show();
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        const std::string path = place(name);
        // As a file manager drops it: a URI list with the name's bytes percent-encoded.
        QMimeData mime;
        mime.setData(QStringLiteral("text/uri-list"),
                     "file://" + QByteArray::fromStdString(path).toPercentEncoding("/") + "\r\n");
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(child<ImageView>(*w, "preview"), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(child<ImageView>(*w, "preview"), &drop);
        EXPECT_TRUE(fake.dialogs.messages.empty());
        EXPECT_EQ(w->media().filename, path);
        EXPECT_TRUE(child<ImageView>(*w, "preview")->has_image());
    }
}

TEST_F(BadInput, ASourceGoneAfterLoadingIsNamed)
{
    const struct
    {
        const char* shows;
        std::function<void(const std::string&)> lose;
    } cases[] = {
        {"deleted", [](const std::string& p) { fs::remove(p); }},
        {"moved", [this](const std::string& p) { fs::rename(p, fake.root() / "elsewhere.mp4"); }},
    };
    start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        const std::string source = place("gone soon.mp4");
        open(source);
        ASSERT_TRUE(child<ImageView>(*w, "preview")->has_image());
        c.lose(source);
        fake.dialogs.messages.clear();

        QTest::keyClick(child<Slider>(*w, "time_slider"), Qt::Key_Right);
        w->fix();
        EXPECT_EQ(
            fake.dialogs.message_texts(),
            (std::vector<std::string>{"Preview error! " + source + ": No such file or directory",
                                      "Can not locate the source file: " + source}));
        EXPECT_EQ(fake.dialogs.messages[1].caption, "Error");
        EXPECT_TRUE(runs_with(logged_runs(fake), "vidstabdetect").empty());
        EXPECT_TRUE(w->isEnabled());
    }
}

TEST_F(BadInput, AConverterKilledInEitherPassFailsTheJobAndLeavesNothing)
{
    const struct
    {
        const char* shows;
        const char* filter;
        int signal;
        const char* after; // the label that shows the pass has printed progress
        std::string reason;
    } cases[] = {
        {"analysis pass, killed at its start", "vidstabdetect", SIGKILL, "", "stopped by signal 9"},
        {"transform pass, killed at its start", "vidstabtransform", SIGKILL, "",
         "stopped by signal 9"},
        {"analysis pass, killed while it works", "vidstabdetect", SIGKILL, "Analyze",
         "stopped by signal 9"},
        {"transform pass, asked to end while it works", "vidstabtransform", SIGTERM, "Process",
         "Exiting normally, received signal 15."},
    };
    // Every case kills a pass that really runs: no analysis is reused.
    fake.env.cache_folder.clear();
    start();
    // Long enough that a pass still runs after its first progress line, on a
    // busy machine too.
    const std::string source = (media / "shaky.mp4").string();
    test::ClipSpec shape;
    shape.width = 160;
    shape.height = 120;
    shape.seconds = 40;
    std::string log;
    ASSERT_TRUE(test::make_shaky_clip(source, shape, &log)) << log;
    open(source);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        const fs::path target = out / "steady.mp4";
        fake.dialogs.messages.clear();
        bool killed = false;
        const auto progressed = [&] {
            return child<QLabel>(*program->progress, "step_label")
                ->text()
                .startsWith(QString::fromUtf8(c.after));
        };
        when_converter_runs(
            c.filter, [&](int pid) { killed = ::kill(pid, c.signal) == 0; }, progressed);
        fix(target.string());

        EXPECT_TRUE(killed);
        EXPECT_EQ(fake.dialogs.message_texts(),
                  std::vector<std::string>{"### " + source + " ### \r" + c.reason});
        EXPECT_TRUE(test::file_names_in(out).empty()) << "no output, no temporary file";
        for (const auto& entry : fake.runtime_entries())
            EXPECT_NE(entry.rfind("calmora-job-", 0), 0u) << "no job folder";
    }
}

TEST_F(BadInput, CancelEndsAConverterThatNeverEnds)
{
    const char* filters[] = {"vidstabdetect", "vidstabtransform"};
    start();
    open(place("shaky.mp4"));
    for (const char* filter : filters) {
        SCOPED_TRACE(filter);
        fake.dialogs.messages.clear();
        QElapsedTimer since_cancel;
        when_converter_runs(filter, [&](int pid) {
            ::kill(pid, SIGSTOP); // alive, but it will never print or end again
            QTimer::singleShot(100, [&] {
                since_cancel.start();
                child<QPushButton>(*program->progress, "cancel_button")->click();
            });
        });
        fix((out / "steady.mp4").string());

        ASSERT_TRUE(since_cancel.isValid());
        // Generous against a slow machine; a converter left running would never end.
        EXPECT_LT(since_cancel.elapsed(), 1000);
        EXPECT_TRUE(fake.dialogs.messages.empty());
        EXPECT_TRUE(running_converters().empty());
        EXPECT_TRUE(test::file_names_in(out).empty());
    }
}

TEST_F(BadInput, ASettingsFileOfGarbageIsReadAsFarAsItGoesAndWrittenSound)
{
    const std::string nines(10000, '9');
    const std::string junk("\x00\xff\xfe\x01 junk\x00\n", 11);
    const std::string noise = random_bytes(4096, 5);
    const Parameters defaults;
    const struct
    {
        const char* shows;
        std::string file;
        Parameters shown;
        std::string kept; // still in the file after the write
    } cases[] = {
        {"binary garbage around the section",
         junk + "[options]\nshakiness=7\n" + std::string("\x00\x00\xff\r\n", 5),
         {"7", "15", "6", "0.3", "10"},
         junk + "[options]\nshakiness=7\n" + std::string("\x00\x00\xff\r\n", 5)},
        {"an over-long line is read up to its limit",
         "[options]\naccuracy=" + nines + "\nsmoothing=3\n",
         {"5", std::string(profile_value_limit, '9'), "6", "0.3", "3"},
         "\nsmoothing=3\n"},
        {"duplicated sections and keys: the first counts",
         "[options]\nshakiness=2\nSHAKINESS=3\n[Options]\nstepsize=8\n[options]\nmincontrast=0.5\n",
         {"2", "15", "6", "0.3", "10"},
         "SHAKINESS=3\n"},
        {"keys outside their section", "shakiness=9\n[other]\naccuracy=1\n", defaults,
         "shakiness=9\n[other]\naccuracy=1\n"},
        {"nothing but bytes", noise, defaults, noise},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        const std::string path = fake.settings_file();
        fs::create_directories(fake.env.config_folder);
        test::write_file(path, c.file);
        start();
        w->show();
        const Parameters shown = program->options->parameters();
        EXPECT_EQ(shown.shakiness, c.shown.shakiness);
        EXPECT_EQ(shown.accuracy, c.shown.accuracy);
        EXPECT_EQ(shown.stepsize, c.shown.stepsize);
        EXPECT_EQ(shown.mincontrast, c.shown.mincontrast);
        EXPECT_EQ(shown.smoothing, c.shown.smoothing);
        w->close();
        EXPECT_TRUE(fake.dialogs.messages.empty());

        // Read again, the file gives what was shown; the next start shows it too.
        const Parameters read = read_settings(path);
        EXPECT_EQ(read.shakiness, shown.shakiness);
        EXPECT_EQ(read.accuracy, shown.accuracy);
        EXPECT_EQ(read.stepsize, shown.stepsize);
        EXPECT_EQ(read.mincontrast, shown.mincontrast);
        EXPECT_EQ(read.smoothing, shown.smoothing);
        EXPECT_NE(test::read_file(path).find(c.kept), std::string::npos);
        program.reset();
    }
}

TEST_F(BadInput, AProgramFolderThatCannotBeWrittenStopsNothing)
{
    // As installed for all users: nothing is written beside the program.
    fake.env.program_folder = unwritable_folder(fake.root());
    start();
    w->show();
    open(place("shaky.mp4"));
    ASSERT_TRUE(child<ImageView>(*w, "preview")->has_image());
    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(fake.dialogs.message_texts().empty());
    EXPECT_TRUE(fs::exists(fake.settings_file()));
}

TEST_F(BadInput, UserFoldersThatCannotBeWrittenAreReportedAndTheProgramCloses)
{
    const std::string folder = unwritable_folder(fake.root());
    fake.env.runtime_folder = folder;
    fake.env.config_folder = folder + "calmora/";
    start();
    w->show();
    open(place("shaky.mp4"));
    w->close();
    EXPECT_FALSE(w->isVisible());
    const auto texts = fake.dialogs.message_texts();
    ASSERT_EQ(texts.size(), 2u);
    const std::string preview = "Preview error! Cannot make a private folder in " + folder + ": ";
    EXPECT_EQ(texts[0].substr(0, preview.size()), preview);
    EXPECT_EQ(texts[1], "Unable to write to " + folder + "calmora/calmview.ini.");
    EXPECT_TRUE(w->media().loaded());
}

} // namespace
} // namespace calm
