#pragma once
// How long a running job still needs, from the progress its passes report.
// The rate is taken over the last few seconds rather than since the start,
// so a converter that speeds up or slows down is followed within a window.
// While the analysis runs, the transform pass still to come is counted with
// the ratio of transform to analysis time measured on this machine. Knows
// nothing of windows or clocks: it is fed the wall-clock times.

#include "pass_output.h"

#include <deque>
#include <optional>
#include <string>

namespace calm {

// A transform pass takes this many times as long as the analysis of the
// same clip when nothing was measured yet.
inline constexpr double default_transform_cost = 3.0;

// A measured ratio worth keeping: finite, above 0.01 and at most 100.
bool plausible_transform_cost(double cost);

// The ratio of a job in which both passes ran to their ends, from their
// wall-clock times. Nothing when a pass took under a second (then start-up
// says more than speed) or the ratio is not plausible.
std::optional<double> measured_transform_cost(double analysis_seconds, double transform_seconds);

class TimeLeft
{
  public:
    // duration: the clip's length in seconds. analysis_runs: false when the
    // job reuses kept transforms and runs the transform pass alone.
    TimeLeft(double duration, bool analysis_runs, double transform_cost);

    // One progress report: the wall-clock time it arrived, its pass and the
    // converter's time position in the clip. Reports that go back in time,
    // or come from a pass that has already given way, are ignored.
    void sample(double wall_seconds, Pass pass, double media_seconds);

    // Seconds left for the whole job as of the last report; nothing until
    // the current pass has reported over min_span, or while it stands still.
    // Early in the transform pass the analysis' rate, scaled by the ratio,
    // stands in, so a shown estimate does not vanish between the passes.
    std::optional<double> seconds_left() const;

    static constexpr double window = 5.0;   // seconds of reports the rate is taken over
    static constexpr double min_span = 2.0; // seconds of reports before a rate counts

  private:
    struct Sample
    {
        double wall;
        double media;
    };
    std::optional<double> current_rate() const;

    double duration_;
    bool analysis_runs_;
    double transform_cost_;
    std::optional<Pass> pass_;
    std::deque<Sample> samples_;          // of the current pass, oldest first
    std::optional<double> analysis_rate_; // last rate the analysis showed
};

// "about 40 s left" below a minute, in steps of 5 s (nearest, halves up,
// never below 5 s); "about 3 min left" from a minute on, to the nearest
// minute (halves up). Empty for a value that is negative or not finite.
std::string time_left_text(double seconds);

} // namespace calm
