#include "time_left.h"

#include <algorithm>
#include <cmath>

namespace calm {

bool plausible_transform_cost(double cost)
{
    return std::isfinite(cost) && cost > 0.01 && cost <= 100.0;
}

std::optional<double> measured_transform_cost(double analysis_seconds, double transform_seconds)
{
    if (!(analysis_seconds >= 1.0) || !(transform_seconds >= 1.0))
        return std::nullopt;
    const double cost = transform_seconds / analysis_seconds;
    if (!plausible_transform_cost(cost))
        return std::nullopt;
    return cost;
}

TimeLeft::TimeLeft(double duration, bool analysis_runs, double transform_cost)
    : duration_(duration), analysis_runs_(analysis_runs),
      transform_cost_(plausible_transform_cost(transform_cost) ? transform_cost
                                                               : default_transform_cost)
{
}

void TimeLeft::sample(double wall_seconds, Pass pass, double media_seconds)
{
    if (!std::isfinite(wall_seconds) || !std::isfinite(media_seconds))
        return;
    if (pass == Pass::analysis && !analysis_runs_)
        return;
    if (pass_ && pass == Pass::analysis && *pass_ == Pass::transform)
        return;
    if (pass_ != pass) {
        pass_ = pass;
        samples_.clear();
    }
    if (!samples_.empty() && wall_seconds < samples_.back().wall)
        return;
    samples_.push_back({wall_seconds, media_seconds});
    // Keep the newest report that lies a whole window back, so the rate
    // always spans at least the window once there is that much.
    while (samples_.size() > 2 && samples_[1].wall <= wall_seconds - window)
        samples_.pop_front();
    if (pass == Pass::analysis)
        if (const auto rate = current_rate())
            analysis_rate_ = rate;
}

std::optional<double> TimeLeft::current_rate() const
{
    if (samples_.size() < 2)
        return std::nullopt;
    const Sample& first = samples_.front();
    const Sample& last = samples_.back();
    const double span = last.wall - first.wall;
    if (span < min_span)
        return std::nullopt;
    const double rate = (last.media - first.media) / span;
    if (!(rate > 0.0) || !std::isfinite(rate))
        return std::nullopt;
    return rate;
}

std::optional<double> TimeLeft::seconds_left() const
{
    if (!pass_ || samples_.empty() || !(duration_ > 0.0) || !std::isfinite(duration_))
        return std::nullopt;
    const double media_left = std::max(0.0, duration_ - samples_.back().media);
    if (*pass_ == Pass::analysis) {
        const auto rate = current_rate();
        if (!rate)
            return std::nullopt;
        // The transform pass works through the whole clip at the analysis'
        // speed divided by the measured ratio.
        return media_left / *rate + duration_ * transform_cost_ / *rate;
    }
    if (const auto rate = current_rate())
        return media_left / *rate;
    if (analysis_rate_)
        return media_left * transform_cost_ / *analysis_rate_;
    return std::nullopt;
}

std::string time_left_text(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0.0)
        return {};
    seconds = std::min(seconds, 1e9); // keeps the counts below within range
    const double steps = std::floor(seconds / 5.0 + 0.5);
    const long long rounded = std::max(1LL, static_cast<long long>(steps)) * 5;
    if (rounded < 60)
        return "about " + std::to_string(rounded) + " s left";
    const auto minutes = static_cast<long long>(std::floor(seconds / 60.0 + 0.5));
    return "about " + std::to_string(std::max(1LL, minutes)) + " min left";
}

} // namespace calm
