// What the title bars read on a real X server. The X11 platform of the
// toolkit formats every caption it hands to the server, so the captions are
// read back from the server (_NET_WM_NAME, as xprop shows it), not from the
// widgets. The program starts its own Xvfb; without one the tests skip.

#include "about/about_dialog.h"
#include "app/main_window.h"
#include "app/program.h"
#include "child.h"
#include "fake_converter.h"
#include "app/progress_dialog.h"
#include "platform/qt_dialogs.h"
#include "settings/options_dialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// An Xvfb of our own on a display number it picks itself (-displayfd).
class XServer
{
  public:
    bool start()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        pid_ = fork();
        if (pid_ < 0)
            return false;
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            close(fds[0]);
            const int devnull = open("/dev/null", O_RDWR);
            dup2(devnull, 0);
            dup2(devnull, 1);
            dup2(devnull, 2);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        while (poll(&p, 1, 15000) > 0) {
            char c;
            if (read(fds[0], &c, 1) != 1 || c == '\n')
                break;
            number += c;
        }
        close(fds[0]);
        if (number.empty()) {
            stop();
            return false;
        }
        display = ":" + number;
        return true;
    }
    void stop()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
    ~XServer() { stop(); }

    std::string display; // empty while none runs

  private:
    pid_t pid_ = -1;
};

std::string x_display;

// The caption the X server holds for a window; nothing until it has one.
std::optional<std::string> x_caption(WId window)
{
    char command[128];
    std::snprintf(command, sizeof command, "xprop -id 0x%llx -notype _NET_WM_NAME 2>/dev/null",
                  static_cast<unsigned long long>(window));
    std::FILE* pipe = popen(command, "r");
    if (!pipe)
        return std::nullopt;
    std::string out;
    char buffer[512];
    while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
        out.append(buffer, got);
    pclose(pipe);
    // _NET_WM_NAME = "Calmora 0.3.7"
    const auto open = out.find(" = \"");
    const auto close = out.rfind('"');
    if (open == std::string::npos || close <= open + 3)
        return std::nullopt;
    return out.substr(open + 4, close - open - 4);
}

std::optional<std::string> caption_of(QWidget& window)
{
    std::optional<std::string> caption;
    calm::test::wait_until([&] { return (caption = x_caption(window.winId())).has_value(); },
                           10000);
    return caption;
}

// Opens a modal window with `open`, reads its caption from the server and closes it.
std::optional<std::string> caption_of_modal(const std::function<void()>& open)
{
    std::optional<std::string> caption;
    QElapsedTimer since;
    since.start();
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        if (!caption)
            caption = x_caption(modal->winId());
        if (caption || since.elapsed() > 10000)
            modal->close();
    });
    poll.start();
    open();
    return caption;
}

class WindowCaptions : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (x_display.empty())
            GTEST_SKIP() << "no X server could be started";
        fake.env.dialogs = &boxes;
        program = calm::start(fake.env);
        ASSERT_NE(program, nullptr);
    }

    calm::test::FakeConverter fake;
    calm::QtDialogs boxes;
    std::unique_ptr<calm::Program> program;
};

TEST_F(WindowCaptions, EveryWindowShowsItsCaptionAndNothingElse)
{
    calm::MainWindow& main = *program->main;
    main.show();
    EXPECT_EQ(caption_of(main), "Calmora 0.3.7");

    EXPECT_EQ(caption_of_modal([&] { program->options->exec(); }), "Options");
    EXPECT_EQ(caption_of_modal([&] { program->about->exec(); }), "About");

    // The progress window's caption is empty; the server may show the
    // program's name for it, nothing more. Its job is kept from starting.
    calm::ProgressDialog& progress = *program->progress;
    auto* job_start = calm::test::child<QTimer>(progress, "start_timer");
    job_start->blockSignals(true);
    progress.show();
    const auto empty = caption_of(progress);
    EXPECT_TRUE(empty == "" || empty == "Calmora") << empty.value_or("(none)");
    progress.hide();
    job_start->stop();
    job_start->blockSignals(false);

    const struct
    {
        const char* shows;
        const char* caption;
        calm::Icon icon;
    } boxes_shown[] = {
        {"a check of Fix", "Error", calm::Icon::error},
        {"a failed job", "Error!", calm::Icon::error},
        {"the program-wide error report", "Calmora", calm::Icon::error},
    };
    for (const auto& b : boxes_shown) {
        SCOPED_TRACE(b.shows);
        EXPECT_EQ(caption_of_modal([&] { boxes.message(&main, "text", b.caption, b.icon); }),
                  b.caption);
    }
    const auto report = caption_of_modal([&] {
        boxes.message(&main, "The process completed successfully!", "", calm::Icon::warning);
    });
    EXPECT_TRUE(report == "" || report == "Calmora") << report.value_or("(none)");
    EXPECT_EQ(caption_of_modal([&] { boxes.confirm(&main, "replace?", "Confirm"); }), "Confirm");
    main.close();
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    XServer server;
    if (!GTEST_FLAG_GET(list_tests) && server.start()) {
        x_display = server.display;
        qputenv("DISPLAY", QByteArray::fromStdString(x_display));
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int result = 0;
    {
        QApplication app(argc, argv);
        std::setlocale(LC_ALL, "C");
        result = RUN_ALL_TESTS();
    }
    return result;
}
