// What Calmora adds to the converter's own time, side by side in one run:
// a whole job against the same two converter commands run directly, the
// program's own CPU time during a job, a preview after a slider gesture
// against the direct grab, a load against the direct probe and grab, and
// the start-up against the converter's banner run. The two sides alternate
// within each round so a noisy machine weighs on both.
// Usage: bench_app [rounds [quick]]   (job rounds are fewer: a job takes minutes;
// quick leaves the job out)

#include "app/main_window.h"
#include "app/preview.h"
#include "app/program.h"
#include "bench_support.h"
#include "child.h"
#include "converter/runner.h"
#include "job/commands.h"
#include "platform/image_view.h"
#include "platform/slider.h"
#include "settings/options_dialog.h"

#include <QApplication>
#include <QTest>
#include <QWindow>
#include <cstdio>
#include <cstring>

using calm::test::child;

using namespace calm::bench;

namespace {

// The start-up of the real program in a child of its own, ended once the
// main window is on screen.
int startup_child()
{
    int argc = 1;
    char name[] = "calmora";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    Bench b;
    auto program = calm::start(b.env);
    if (!program)
        return 1;
    program->main->show();
    while (!program->main->windowHandle() || !program->main->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--startup-child") == 0)
        return startup_child();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const bool quick = argc > 2 && std::strcmp(argv[2], "quick") == 0;
    const int job_rounds = quick ? 0 : std::max(1, rounds / 3);
    const fs::path self = fs::canonical("/proc/self/exe");
    const fs::path clip = cached_clip(self.parent_path() / "cache");

    Bench b;
    auto program = calm::start(b.env);
    if (!program)
        return 1;
    calm::MainWindow& w = *program->main;
    const std::string ffmpeg = CALM_FFMPEG;

    // Start-up.
    std::vector<double> start_app, start_direct;
    for (int r = 0; r < rounds; ++r) {
        start_direct.push_back(run_direct({ffmpeg}));
        start_app.push_back(run_direct({self.string(), "--startup-child"}));
    }

    // Load: probe and first preview.
    std::vector<double> load_app, load_direct;
    for (int r = 0; r < rounds; ++r) {
        auto t0 = Clock::now();
        w.load_video_file(clip.string());
        load_app.push_back(seconds_since(t0));
        const auto grab = calm::preview_command(ffmpeg, clip.string(), "00:00:05.00", 429, 241,
                                                (b.root / "direct.bmp").string());
        load_direct.push_back(run_direct({ffmpeg, "-i", clip.string()}) + run_direct(grab.argv()));
    }

    // Preview after a finished slider gesture: End and Home alternately.
    std::vector<double> preview_app, preview_direct;
    for (int r = 0; r < rounds; ++r) {
        const bool home = r % 2 == 0;
        auto t0 = Clock::now();
        QTest::keyClick(child<calm::Slider>(w, "time_slider"), home ? Qt::Key_Home : Qt::Key_Right);
        preview_app.push_back(seconds_since(t0));
        const auto grab =
            calm::preview_command(ffmpeg, clip.string(), home ? "00:00:00.00" : "00:00:00.10", 429,
                                  241, (b.root / "direct.bmp").string());
        preview_direct.push_back(run_direct(grab.argv()));
    }

    // The whole job against its two passes run directly in the same folder.
    std::vector<double> job_app, job_direct, job_cpu_share;
    const std::string folder = (b.root / "out").string();
    for (int r = 0; r < job_rounds; ++r) {
        const std::string target = folder + "/steady" + std::to_string(r) + ".mp4";
        b.dialogs.save_answers.push_back(target);
        const double cpu0 = own_cpu();
        auto t0 = Clock::now();
        w.fix();
        const double wall = seconds_since(t0);
        job_app.push_back(wall);
        job_cpu_share.push_back((own_cpu() - cpu0) / wall);
        fs::remove(target);

        const auto params = program->options->parameters();
        const auto pass1 = calm::analysis_command(ffmpeg, w.media(), params);
        const auto pass2 = calm::transform_command(ffmpeg, w.media(), target, params);
        job_direct.push_back(run_direct(pass1.argv(), folder) + run_direct(pass2.argv(), folder));
        fs::remove(target);
        fs::remove(folder + "/calm.trf");
    }
    for (const auto& m : b.dialogs.messages)
        if (m.text != "The process completed successfully!")
            std::printf("unexpected message: %s\n", m.text.c_str());

    const double ms = 1000;
    std::printf("clip: 1920x1080, 10 s, with audio; %d rounds (%d for the job)\n", rounds,
                job_rounds);
    if (!quick) {
        std::printf("job:      %.2f s vs direct %.2f s, ratio %.3f (target <= 1.02)\n",
                    median(job_app), median(job_direct), median(job_app) / median(job_direct));
        std::printf("job CPU:  Calmora's own CPU %.2f %% of the job's wall time (target <= 1 %%)\n",
                    100 * median(job_cpu_share));
    }
    std::printf("preview:  %.1f ms vs direct %.1f ms, overhead %.1f ms (target <= 30 ms)\n",
                ms * median(preview_app), ms * median(preview_direct),
                ms * (median(preview_app) - median(preview_direct)));
    std::printf("load:     %.1f ms vs direct %.1f ms, overhead %.1f ms (target <= 50 ms)\n",
                ms * median(load_app), ms * median(load_direct),
                ms * (median(load_app) - median(load_direct)));
    std::printf("start-up: %.1f ms vs banner run %.1f ms, overhead %.1f ms (target <= 300 ms)\n",
                ms * median(start_app), ms * median(start_direct),
                ms * (median(start_app) - median(start_direct)));
    program->main->hide();
    return 0;
}
