// Takes the README's screenshots from the real windows: the main window
// with a loaded preview, both pages of the options window, and the progress window while
// a job runs. Run it through scripts/screenshots.sh (under Xvfb).
// Usage: calm_screenshots <sample clip> <output folder>

#include "app/main_window.h"
#include "app/program.h"
#include "child.h"
#include "app/progress_dialog.h"
#include "platform/gauge.h"
#include "recording_dialogs.h"
#include "settings/options_dialog.h"

#include <QApplication>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

using calm::test::child;

namespace fs = std::filesystem;

namespace {

void settle(int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

bool save(QWidget* w, const fs::path& file)
{
    const bool ok = w->grab().save(QString::fromStdString(file.string()), "PNG");
    std::printf("%s %s\n", ok ? "wrote" : "could not write", file.c_str());
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <sample clip> <output folder>\n", argv[0]);
        return 2;
    }
    const fs::path clip = fs::absolute(argv[1]);
    const fs::path out = fs::absolute(argv[2]);
    char tmpl[] = "/tmp/calm-shots-XXXXXX";
    const fs::path root = ::mkdtemp(tmpl);
    fs::create_directories(root / "bin");
    fs::create_directories(root / "lib/calmora/calm");
    fs::create_symlink(CALM_FFMPEG, root / "lib/calmora/calm/client.exe");

    calm::test::RecordingDialogs dialogs;
    calm::Environment env;
    env.program_folder = (root / "bin").string() + "/";
    env.system_folder = (root / "lib/calmora").string();
    env.config_folder = (root / "config/calmora").string() + "/";
    env.cache_folder = (root / "cache/calmora").string() + "/";
    env.runtime_folder = root.string() + "/";
    env.dialogs = &dialogs;
    env.pump = [] { QCoreApplication::processEvents(); };

    auto program = calm::start(env);
    if (!program)
        return 1;
    calm::MainWindow& main = *program->main;
    main.show();
    settle(300);
    main.load_video_file(clip.string());
    settle(300);
    bool ok = save(&main, out / "main-window.png");

    program->options->show();
    settle(300);
    ok = save(program->options.get(), out / "options-window.png") && ok;
    auto* pages = child<QTabWidget>(*program->options, "pages");
    pages->setCurrentWidget(child<QWidget>(*program->options, "borders_page"));
    settle(300);
    ok = save(program->options.get(), out / "options-borders.png") && ok;
    pages->setCurrentIndex(0);
    program->options->hide();

    // The progress window is grabbed once the gauge has moved well into the job.
    dialogs.save_answers.push_back((root / "steady.mp4").string());
    bool grabbed = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        calm::ProgressDialog& p = *program->progress;
        if (!grabbed && p.isVisible() && child<calm::Gauge>(p, "gauge")->progress() >= 30) {
            grabbed = true;
            save(&p, out / "progress-window.png");
        }
    });
    poll.start(50);
    main.fix();
    poll.stop();
    ok = grabbed && ok;
    for (const auto& m : dialogs.messages)
        std::printf("message: %s\n", m.text.c_str());
    main.close();
    fs::remove_all(root);
    return ok ? 0 : 1;
}
