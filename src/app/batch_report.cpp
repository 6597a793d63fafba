#include "batch_report.h"

namespace calm {

namespace {
// Back to the start of the first live line, which is then drawn anew.
const std::string up_one = "\x1b[1A";
const std::string clear_line = "\r\x1b[K";
} // namespace

std::string progress_line(const ClipState& clip)
{
    std::string line =
        "[" + std::to_string(clip.number) + "/" + std::to_string(clip.count) + "] " + clip.name;
    if (!clip.pass.empty())
        line += "  " + clip.pass + "  " + std::to_string(clip.percent) + "%";
    if (!clip.time_left.empty())
        line += "  " + clip.time_left;
    return line;
}

std::string summary_line(int succeeded, int failed, int skipped)
{
    const int all = succeeded + failed + skipped;
    return std::to_string(all) + (all == 1 ? " clip: " : " clips: ") + std::to_string(succeeded) +
           " succeeded, " + std::to_string(failed) + " failed, " + std::to_string(skipped) +
           " skipped";
}

BatchReport::BatchReport(std::function<void(const std::string&)> sink, bool terminal, bool quiet)
    : sink_(std::move(sink)), terminal_(terminal), quiet_(quiet)
{
}

void BatchReport::progress(const ClipState& clip)
{
    if (quiet_)
        return;
    if (terminal_) {
        live_[clip.number] = progress_line(clip);
        redraw();
        return;
    }
    const int tenth = clip.percent / 10;
    auto [it, fresh] = told_tenth_.try_emplace(clip.number, -1);
    if (clip.pass.empty() || tenth <= it->second)
        return;
    it->second = tenth;
    ClipState shown = clip;
    shown.percent = tenth * 10;
    sink_(progress_line(shown) + "\n");
}

void BatchReport::succeeded(const ClipState& clip)
{
    if (quiet_)
        return;
    settle(clip.number, progress_line(clip) + "  done");
}

void BatchReport::failed(const ClipState& clip, const std::string& reason)
{
    settle(clip.number, clip.name + ": " + reason);
}

void BatchReport::summary(int succeeded, int failed, int skipped)
{
    if (quiet_ && failed == 0 && skipped == 0)
        return;
    settle(0, summary_line(succeeded, failed, skipped));
}

// A finished clip's line leaves the live block and stays above it.
void BatchReport::settle(int number, const std::string& final_line)
{
    told_tenth_.erase(number);
    if (!terminal_) {
        sink_(final_line + "\n");
        return;
    }
    live_.erase(number);
    std::string out;
    for (; drawn_ > 0; --drawn_)
        out += up_one;
    out += clear_line + final_line + "\n";
    sink_(out);
    redraw();
}

void BatchReport::redraw()
{
    std::string out;
    for (int i = 0; i < drawn_; ++i)
        out += up_one;
    for (const auto& [number, line] : live_)
        out += clear_line + line + "\n";
    drawn_ = static_cast<int>(live_.size());
    if (!out.empty())
        sink_(out);
}

} // namespace calm
