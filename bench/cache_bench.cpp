// What the kept analysis saves, through the real window: a second Fix of
// the same clip with only the smoothing changed against the first Fix, the
// cache empty before each first Fix. Then how true the time left is: a job
// after one has run (its ratio of transform to analysis time kept, its
// transforms dropped, so both passes run), the estimate at 25, 50 and 75 %
// of the gauge against the time that was really left.
// Usage: bench_cache [rounds]

#include "app/main_window.h"
#include "app/program.h"
#include "bench_support.h"
#include "job/analysis_cache.h"
#include "job/stabilization_job.h"
#include "settings/options_dialog.h"

#include <QApplication>
#include <cmath>

using namespace calm::bench;

namespace {

// The estimate shown when the gauge first reaches each mark, and when.
struct Marks final : calm::JobObserver
{
    static constexpr int marks[3] = {25, 50, 75};
    Clock::time_point start = Clock::now();
    int gauge = 0;
    std::optional<double> shown[3];
    double at[3] = {};

    void progressed(const calm::ProgressStep& step) override { gauge = step.gauge; }
    void time_left(std::optional<double> seconds) override
    {
        for (int i = 0; i < 3; ++i)
            if (gauge >= marks[i] && !shown[i] && seconds) {
                shown[i] = seconds;
                at[i] = seconds_since(start);
            }
    }
};

int count_keys(const fs::path& folder)
{
    int n = 0;
    for (const auto& e : fs::directory_iterator(folder))
        n += e.path().extension() == ".key";
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path self = fs::canonical("/proc/self/exe");
    const fs::path clip = cached_clip(self.parent_path() / "cache");

    Bench b;
    auto program = calm::start(b.env);
    if (!program)
        return 1;
    calm::MainWindow& w = *program->main;
    w.load_video_file(clip.string());
    const std::string folder = (b.root / "out").string();

    std::vector<double> first, second, ratio;
    std::vector<double> error[3];
    for (int r = 0; r < rounds; ++r) {
        const fs::path cache = b.root / ("cache" + std::to_string(r));
        fs::create_directories(cache);
        b.env.cache_folder = cache.string() + "/";
        // Which smoothing comes first alternates, so neither side has the cheaper one.
        auto params = program->options->parameters();
        const char* smoothing[2] = {"10", "20"};
        for (int side = 0; side < 2; ++side) {
            params.smoothing = smoothing[(side + r) % 2];
            program->options->set_parameters(params);
            const std::string target = folder + "/steady.mp4";
            b.dialogs.save_answers.push_back(target);
            const auto t0 = Clock::now();
            w.fix();
            (side == 0 ? first : second).push_back(seconds_since(t0));
            fs::remove(target);
            if (side == 0 && count_keys(cache) != 1)
                std::printf("round %d: the first Fix kept no analysis\n", r);
        }
        ratio.push_back(second.back() / first.back());

        // Both passes again, with the ratio the first Fix measured.
        for (const auto& e : fs::directory_iterator(cache))
            if (e.path().filename() != "transform-cost")
                fs::remove(e.path());
        calm::AnalysisCache kept(b.env.cache_folder);
        std::atomic<bool> cancel{false};
        Marks marks;
        calm::JobRequest request{w.media(), folder + "/steady.mp4", params};
        calm::StabilizationJob job(b.env, request, cancel, marks, &kept);
        marks.start = Clock::now();
        const bool ok = job.run() && !job.reused_analysis();
        const double total = seconds_since(marks.start);
        fs::remove(request.target);
        std::printf("round %d: first %.2f s, second %.2f s; time-left job %.2f s (ratio %.2f)%s\n",
                    r, first.back(), second.back(), total, kept.transform_cost(),
                    ok ? "" : " FAILED");
        for (int i = 0; i < 3; ++i) {
            if (!marks.shown[i]) {
                std::printf("  %d %%: no estimate shown\n", Marks::marks[i]);
                continue;
            }
            const double real = total - marks.at[i];
            error[i].push_back((*marks.shown[i] - real) / real);
            std::printf("  %d %%: shown %.1f s, really %.1f s left, error %+.1f %%\n",
                        Marks::marks[i], *marks.shown[i], real, 100 * error[i].back());
        }
    }
    for (const auto& m : b.dialogs.messages)
        if (m.text != "The process completed successfully!")
            std::printf("unexpected message: %s\n", m.text.c_str());

    std::printf("clip: 1920x1080, 10 s, with audio; %d rounds\n", rounds);
    std::printf("second Fix, smoothing changed / first Fix: %.2f s / %.2f s, ratio %.3f "
                "(median of rounds; target <= 0.80)\n",
                median(second), median(first), median(ratio));
    for (int i = 0; i < 3; ++i) {
        std::vector<double> size;
        for (double e : error[i])
            size.push_back(std::fabs(e));
        std::printf("time left at %d %%: error %.1f %% (median size; target <= 25 %%)\n",
                    Marks::marks[i], 100 * median(size));
    }
    return 0;
}
