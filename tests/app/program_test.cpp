#include "app/main_window.h"
#include "app/program.h"
#include "child.h"
#include "fake_converter.h"
#include "platform/dialogs.h"

#include <QLabel>

#include <QApplication>
#include <gtest/gtest.h>

namespace calm {
namespace {

TEST(ProgramStart, FailedCheckTellsTheCodeAndCreatesNoWindow)
{
    struct Case
    {
        const char* shows;
        bool with_converter;
        std::string script;
        std::string message;
    };
    const Case cases[] = {
        {"converter missing", false, "", "Client program error! 002"},
        {"converter prints no banner", true, "on *\nout usage\\n\nexit 1\n",
         "Client program error! "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        test::FakeConverter fake(c.with_converter);
        fake.script(c.script);
        EXPECT_EQ(start(fake.env), nullptr);
        ASSERT_EQ(fake.dialogs.messages.size(), 1u);
        EXPECT_EQ(fake.dialogs.messages[0].text, c.message);
        EXPECT_EQ(fake.dialogs.messages[0].icon, Icon::none);
        EXPECT_EQ(qobject_cast<MainWindow*>(QApplication::activeWindow()), nullptr);
        for (auto* w : QApplication::topLevelWidgets())
            EXPECT_EQ(qobject_cast<MainWindow*>(w), nullptr);
    }
}

TEST(ProgramStart, GoodCheckCreatesTheMainWindow)
{
    test::FakeConverter fake;
    auto program = start(fake.env);
    ASSERT_NE(program, nullptr);
    EXPECT_TRUE(fake.dialogs.messages.empty());
    EXPECT_EQ(program->main->windowTitle(), QStringLiteral("Calmora 0.3.7"));
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("Calmora"));
    EXPECT_FALSE(program->main->isVisible());
}

// The file named on the command line goes to the drop routine once the
// window is on screen, as a drop would: a video loads, anything else is
// passed over without a word.
TEST(ProgramStart, FileFromTheCommandLineLoadsAsADrop)
{
    const struct
    {
        const char* shows;
        std::vector<std::string> files;
        std::string loaded;
    } cases[] = {
        {"a video loads and shows its frame", {"/v/my clip.MP4"}, "/v/my clip.MP4"},
        {"a name outside the video types is ignored", {"/v/notes.txt"}, ""},
        {"no file: nothing runs", {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        test::FakeConverter fake;
        fake.script("on -ss\nbmp\nexit 0\non *\nout ffmpeg version fake\\n  Duration: "
                    "00:00:04.00, start: 0.000000, bitrate: 900 kb/s\\n    Stream #0:0: "
                    "Video: h264, yuv420p, 320x240, 800 kb/s\\n\nexit 1\n");
        auto program = start(fake.env);
        ASSERT_NE(program, nullptr);
        fake.clear_log();
        MainWindow* w = program->main.get();
        bool visible_at_load = false;
        const auto pump = fake.env.pump;
        fake.env.pump = [&] {
            visible_at_load = w->isVisible();
            if (pump)
                pump();
        };

        program->show(c.files);
        EXPECT_TRUE(w->isVisible());
        EXPECT_TRUE(fake.runs().empty()) << "the load waits for the message loop";
        test::wait_until([&] { return !fake.runs().empty() && !w->busy(); },
                         c.loaded.empty() ? 100 : 2000);
        QCoreApplication::processEvents();

        EXPECT_TRUE(fake.dialogs.messages.empty());
        EXPECT_EQ(w->media().filename, c.loaded);
        if (c.loaded.empty()) {
            EXPECT_TRUE(fake.runs().empty());
            continue;
        }
        EXPECT_TRUE(visible_at_load);
        const auto runs = fake.runs();
        ASSERT_EQ(runs.size(), 2u);
        EXPECT_EQ(runs[0].argv, (std::vector<std::string>{fake.converter(), "-i", c.loaded}));
        EXPECT_EQ(runs[1].argv[2], "00:00:02.00");
        EXPECT_EQ(test::child<QLabel>(*w, "file_label")->text().toStdString(), c.loaded);
        w->close();
    }
}

} // namespace
} // namespace calm
