#include "stabilization_job.h"

#include "analysis_cache.h"
#include "commands.h"
#include "converter/runner.h"
#include "job_folder.h"
#include "media/timecode.h"
#include "target.h"
#include "time_left.h"

#include <algorithm>
#include <filesystem>
#include <functional>

namespace calm {

// One pass as a use of the runner: digit 3 or 4, Cancel polled on every turn.
class StabilizationJob::Pass final : public ConverterUse
{
  public:
    Pass(calm::Pass pass, double duration, const std::atomic<bool>& cancel,
         std::function<void(const ProgressStep&)> show, std::vector<std::string> names)
        : pass_(pass), duration_(duration), cancel_(cancel), show_(std::move(show)),
          names_(std::move(names)), output_(pass, duration, names_)
    {
    }

    int digit() const override { return pass_ == calm::Pass::analysis ? 3 : 4; }
    const std::atomic<bool>* cancel_flag() const override { return &cancel_; }
    void started() override { output_ = PassOutput(pass_, duration_, names_); }

    Verdict chunk(std::string_view chunk, std::string& code) override
    {
        const auto taken = output_.take(chunk);
        if (!taken.failure.empty()) {
            code = taken.failure;
            return Verdict::end_failure;
        }
        if (taken.progress) {
            progressed_ = true;
            show_(*taken.progress);
        }
        return Verdict::go_on;
    }

    // Only a converter that ended well counts: an error status means the
    // pass did not do its work, whatever it printed before.
    bool ended(const ExitStatus& status, std::string& code) override
    {
        if (status.clean())
            return true;
        code = output_.failure_reason(status);
        return false;
    }

    bool progressed() const { return progressed_; }

  private:
    calm::Pass pass_;
    double duration_;
    const std::atomic<bool>& cancel_;
    std::function<void(const ProgressStep&)> show_;
    std::vector<std::string> names_; // echoed by the converter, never a failure text
    PassOutput output_;
    bool progressed_ = false;
};

StabilizationJob::StabilizationJob(const Environment& env, JobRequest request,
                                   const std::atomic<bool>& cancel, JobObserver& observer,
                                   AnalysisCache* cache)
    : env_(env), request_(std::move(request)), cancel_(cancel), observer_(observer), cache_(cache),
      converter_(converter_path(env)), started_(std::chrono::steady_clock::now())
{
}

StabilizationJob::~StabilizationJob() = default;

double StabilizationJob::elapsed() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
}

void StabilizationJob::show(const ProgressStep& step)
{
    ProgressStep shown = step;
    // Without an analysis pass the transform alone spans the gauge.
    if (reused_ && step.pass == calm::Pass::transform)
        shown.gauge = step.share;
    observer_.progressed(shown);
    time_left_->sample(elapsed(), step.pass, step.seconds);
    observer_.time_left(time_left_->seconds_left());
}

bool StabilizationJob::analyse()
{
    // Cancel pressed before the job began: no converter is started at all.
    if (cancel_)
        return false;
    duration_ = seconds_from_clock(request_.media.duration);
    // Both passes run in the job's own folder, where calm.trf is written and
    // read; it goes with the folder on every way out, and nothing of the
    // job's but the output ever reaches the target's folder.
    folder_ = std::make_unique<JobFolder>();
    if (!folder_->create(env_.runtime_folder, code_))
        return false;
    const std::string trf = folder_->path() + "calm.trf";
    const std::string& source = request_.media.filename;
    const std::string filters = analysis_filters(request_.media, request_.parameters);
    const auto key =
        cache_ ? analysis_key(source, request_.parameters, filters, converter_) : std::nullopt;
    const double cost = cache_ ? cache_->transform_cost() : default_transform_cost;
    reused_ = key && cache_->fetch(*key, trf);
    time_left_ = std::make_unique<TimeLeft>(duration_, !reused_, cost);
    if (reused_)
        return true;

    Pass analysis(calm::Pass::analysis, duration_, cancel_,
                  [this](const ProgressStep& step) { show(step); }, {source});
    const auto started = elapsed();
    if (!run_converter(analysis, analysis_command(converter_, request_.media, request_.parameters),
                       code_, env_, folder_->path()) ||
        cancel_)
        return false;
    analysis_seconds_ = elapsed() - started;
    analysis_progressed_ = analysis.progressed();
    // Only an analysis that ended well is kept; one that showed no progress
    // may not have read the clip at all.
    if (key && analysis_progressed_)
        cache_->keep(*key, trf);
    return true;
}

bool StabilizationJob::transform()
{
    if (cancel_ || !folder_)
        return false;
    // The converter writes beside the target; the target itself is only
    // touched by the final rename.
    TemporaryOutput output(request_.target);
    if (!output.create(code_) || !folder_->record_output(output.path(), code_))
        return false;
    const std::string& source = request_.media.filename;
    Pass transform(calm::Pass::transform, duration_, cancel_,
                   [this](const ProgressStep& step) { show(step); }, {source, output.path()});
    const auto started = elapsed();
    if (!run_converter(
            transform,
            transform_command(converter_, request_.media, output.path(), request_.parameters),
            code_, env_, folder_->path()) ||
        cancel_)
        return false;
    // Some progress must have been seen in the passes that ran.
    if (!transform.progressed() && (reused_ || !analysis_progressed_))
        return false;
    if (cache_ && !reused_)
        if (const auto cost = measured_transform_cost(analysis_seconds_, elapsed() - started))
            cache_->record_transform_cost(*cost);
    if (!output.commit(code_))
        return false;
    folder_.reset();
    return true;
}

} // namespace calm
