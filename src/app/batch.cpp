#include "batch.h"

#include "batch_report.h"
#include "job/analysis_cache.h"
#include "job/stabilization_job.h"
#include "job/target.h"
#include "job/time_left.h"
#include "media/probe.h"
#include "platform/stop_signals.h"

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

namespace calm {

namespace {

class Batch;

std::string absolute(const std::string& name)
{
    std::error_code ec;
    const auto path = std::filesystem::absolute(name, ec);
    return ec ? name : path.lexically_normal().string();
}

// One source on its way through the batch: its line on stderr and its job.
struct Clip final : JobObserver
{
    Clip(Batch& batch, ClipState state) : batch(batch), state(std::move(state)) {}
    void progressed(const ProgressStep& step) override;
    void time_left(std::optional<double> seconds) override;

    Batch& batch;
    ClipState state;
    std::unique_ptr<StabilizationJob> job;
};

class Batch
{
  public:
    Batch(const BatchArguments& arguments, const Environment& env, const BatchSetting& setting)
        : arguments_(arguments), env_(env), setting_(setting),
          parameters_(with_given(setting.parameters, arguments)),
          report_(setting.write, setting.terminal, arguments.quiet)
    {
        if (!setting.cache_folder.empty())
            cache_ = std::make_unique<AnalysisCache>(setting.cache_folder);
    }

    int run();

    void progressed(Clip& clip, const ProgressStep& step)
    {
        std::lock_guard lock(mutex_);
        clip.state.pass = step.label.rfind("Analyze", 0) == 0 ? "Analyze" : "Transform";
        clip.state.percent = std::clamp(step.gauge, 0, 100);
        report_.progress(clip.state);
    }
    // Told before the converter's first report, which may come late or,
    // for a short clip, only at its end.
    void begin(Clip& clip)
    {
        std::lock_guard lock(mutex_);
        clip.state.pass = "Analyze";
        clip.state.percent = 0;
        report_.progress(clip.state);
    }
    void time_left(Clip& clip, double seconds)
    {
        std::lock_guard lock(mutex_);
        clip.state.time_left = time_left_text(seconds);
    }

  private:
    std::unique_ptr<Clip> prepare(int index);
    void analyse_all(bool transform_too);
    void transform_all();
    void transform(std::unique_ptr<Clip> clip);
    void finish(Clip& clip, bool success);
    void fail(const ClipState& state, const std::string& reason, bool skipped = false);

    const BatchArguments& arguments_;
    const Environment& env_;
    const BatchSetting& setting_;
    Parameters parameters_;
    std::unique_ptr<AnalysisCache> cache_;
    std::atomic<bool> cancel_{false};

    std::mutex mutex_; // guards what follows
    BatchReport report_;
    std::set<std::string> targets_; // written by this batch already
    int succeeded_ = 0;
    int failed_ = 0;
    int skipped_ = 0;
    // The analysed clip waiting for the transform, and whether more will come.
    std::unique_ptr<Clip> handed_;
    bool analyses_done_ = false;
    std::condition_variable handover_;
};

void Clip::progressed(const ProgressStep& step)
{
    batch.progressed(*this, step);
}

void Clip::time_left(std::optional<double> seconds)
{
    if (seconds)
        batch.time_left(*this, *seconds);
}

void Batch::fail(const ClipState& state, const std::string& reason, bool skipped)
{
    std::lock_guard lock(mutex_);
    ++(skipped ? skipped_ : failed_);
    report_.failed(state, reason);
}

// The checks of Fix, in its order, then the probe; nothing when the source
// is done with already.
std::unique_ptr<Clip> Batch::prepare(int index)
{
    const std::string& given = arguments_.sources[static_cast<std::size_t>(index)];
    ClipState state{index + 1, static_cast<int>(arguments_.sources.size()), given, "", 0, ""};
    // The passes run in the job's own folder: every name they get is absolute.
    const std::string source = absolute(given);
    if (!file_exists(source)) {
        fail(state, "Can not locate the source file: " + source);
        return nullptr;
    }
    const std::string target =
        absolute(arguments_.output.empty() ? default_target(source, arguments_.output_folder)
                                           : arguments_.output);
    if (same_file(target, source)) {
        fail(state, "The target file name is as same as source file");
        return nullptr;
    }
    {
        std::lock_guard lock(mutex_);
        // Pipelined, it would be analysed while an earlier transform still
        // writes it: the output would differ from one pass at a time.
        if (targets_.count(source)) {
            ++failed_;
            report_.failed(state, "an earlier source of this batch has it as its target");
            return nullptr;
        }
        if (!targets_.insert(target).second) {
            ++failed_;
            report_.failed(state, "an earlier source of this batch has the same target " + target);
            return nullptr;
        }
    }
    if (path_exists(target) && !arguments_.overwrite) {
        fail(state, target + " exists; --overwrite replaces it", true);
        return nullptr;
    }
    JobRequest request{{}, target, parameters_};
    std::string code;
    if (!probe_media(code, source, request.media, env_) &&
        !probe_media(code, source, request.media, env_)) {
        fail(state, "File load error! " + code);
        return nullptr;
    }
    request.media.filename = source;
    if (request.media.no_video) {
        fail(state, "The file has no video stream to stabilize.");
        return nullptr;
    }
    auto clip = std::make_unique<Clip>(*this, state);
    clip->job =
        std::make_unique<StabilizationJob>(env_, std::move(request), cancel_, *clip, cache_.get());
    return clip;
}

void Batch::finish(Clip& clip, bool success)
{
    if (cancel_)
        return;
    std::lock_guard lock(mutex_);
    if (success) {
        ++succeeded_;
        clip.state.percent = 100;
        clip.state.time_left.clear();
        report_.succeeded(clip.state);
    } else {
        ++failed_;
        // A converter that ended well but showed no progress leaves no code.
        const std::string& code = clip.job->code();
        report_.failed(clip.state, code.empty() ? "the converter did not process the clip" : code);
    }
}

void Batch::transform(std::unique_ptr<Clip> clip)
{
    finish(*clip, clip->job->transform());
}

// One pass at a time when transform_too; otherwise each analysed clip is
// handed to the transform thread, one at most waiting.
void Batch::analyse_all(bool transform_too)
{
    for (int i = 0; i < static_cast<int>(arguments_.sources.size()) && !cancel_; ++i) {
        auto clip = prepare(i);
        if (!clip)
            continue;
        begin(*clip);
        if (!clip->job->analyse()) {
            finish(*clip, false);
            continue;
        }
        if (transform_too) {
            transform(std::move(clip));
            continue;
        }
        std::unique_lock lock(mutex_);
        handover_.wait(lock, [&] { return !handed_ || cancel_; });
        if (cancel_)
            break;
        handed_ = std::move(clip);
        handover_.notify_all();
    }
    std::lock_guard lock(mutex_);
    analyses_done_ = true;
    handover_.notify_all();
}

void Batch::transform_all()
{
    for (;;) {
        std::unique_ptr<Clip> clip;
        {
            std::unique_lock lock(mutex_);
            handover_.wait(lock, [&] { return handed_ || analyses_done_ || cancel_; });
            if (cancel_ || (!handed_ && analyses_done_))
                return;
            clip = std::move(handed_);
            handover_.notify_all();
        }
        transform(std::move(clip));
    }
}

int Batch::run()
{
    StopSignals signals;
    std::atomic<int> running{0};
    std::vector<std::thread> threads;
    auto start = [&](auto work) {
        ++running;
        threads.emplace_back([&, work] {
            work();
            --running;
        });
    };
    if (arguments_.jobs == 1) {
        start([this] { analyse_all(true); });
    } else {
        start([this] { analyse_all(false); });
        start([this] { transform_all(); });
    }
    std::optional<int> stopped;
    while (running > 0) {
        if (const auto signal = signals.wait(100); signal && !stopped) {
            stopped = signal;
            std::lock_guard lock(mutex_);
            cancel_ = true;
            handover_.notify_all();
        }
    }
    for (auto& t : threads)
        t.join();
    // A clip analysed but never transformed goes with its job folder.
    handed_.reset();
    if (stopped)
        return 128 + *stopped;
    std::lock_guard lock(mutex_);
    report_.summary(succeeded_, failed_, skipped_);
    return failed_ + skipped_ > 0 ? 1 : 0;
}

} // namespace

int run_batch(const BatchArguments& arguments, const Environment& env, const BatchSetting& setting)
{
    return Batch(arguments, env, setting).run();
}

} // namespace calm
