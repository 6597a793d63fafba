#pragma once
// One stabilization job, without any window: the analysis pass writes the
// camera motion into calm.trf in the job's private folder (or the
// transforms kept from an earlier analysis of the same clip with the same
// analysis settings are used), the transform pass writes the steadied video
// into a temporary file beside the target, and only a job that succeeded
// renames it over the target. A job succeeds when both converters ended by
// themselves with status 0, no failure text appeared and progress was seen.
// The progress window and `calmora --fix` are two views of it; it tells
// them how far it is through a JobObserver, on the thread that runs it.

#include "media/media_info.h"
#include "pass_output.h"
#include "platform/environment.h"
#include "settings/parameters.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace calm {

class AnalysisCache;
class JobFolder;
class TemporaryOutput;
class TimeLeft;

class JobObserver
{
  public:
    virtual ~JobObserver() = default;
    // The label and the gauge across the whole job.
    virtual void progressed(const ProgressStep& step) = 0;
    // The seconds left for the whole job, once they can be estimated.
    virtual void time_left(std::optional<double> seconds) = 0;
};

struct JobRequest
{
    MediaInfo media;    // the source is media.filename
    std::string target; // replaced only by a job that succeeded
    Parameters parameters;
};

class StabilizationJob
{
  public:
    // cache may be null: every job then runs its analysis.
    StabilizationJob(const Environment& env, JobRequest request, const std::atomic<bool>& cancel,
                     JobObserver& observer, AnalysisCache* cache);
    ~StabilizationJob();
    StabilizationJob(const StabilizationJob&) = delete;
    StabilizationJob& operator=(const StabilizationJob&) = delete;

    // The analysis pass, or the kept transforms. False when the job failed
    // (code() says why) or was cancelled.
    bool analyse();
    // The transform pass and the final rename; only after analyse() succeeded.
    bool transform();
    bool run() { return analyse() && transform(); }

    const std::string& code() const { return code_; }
    bool reused_analysis() const { return reused_; }

  private:
    class Pass;
    void show(const ProgressStep& step);
    double elapsed() const;

    const Environment& env_;
    JobRequest request_;
    const std::atomic<bool>& cancel_;
    JobObserver& observer_;
    AnalysisCache* cache_;
    std::string converter_;
    double duration_ = 0;
    std::string code_;
    bool reused_ = false;
    bool analysis_progressed_ = false;
    double analysis_seconds_ = 0;
    std::unique_ptr<JobFolder> folder_;
    std::unique_ptr<TimeLeft> time_left_;
    std::chrono::steady_clock::time_point started_;
};

} // namespace calm
