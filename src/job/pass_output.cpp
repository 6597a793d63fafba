#include "pass_output.h"

#include "converter/trim.h"
#include "media/numbers.h"
#include "media/timecode.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace calm {

namespace {

constexpr std::string_view no_such_file = "No such file";
constexpr std::string_view assertion_failed = "Assertion failed!";

// "Assertion failed!", or glibc's form on one line:
//   ffmpeg: .../frameinfo.c:38: vsFrameInfoInit: Assertion `width%2==0 && height%2==0' failed.
bool holds_assertion(std::string_view text)
{
    constexpr std::string_view word = "Assertion ";
    for (auto at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
        const auto from = at + word.size();
        const auto end = text.find_first_of("\r\n", from);
        const auto line = text.substr(from, end == std::string_view::npos ? end : end - from);
        if (line.find("failed") != std::string_view::npos)
            return true;
    }
    return false;
}

bool is_progress_line(std::string_view line)
{
    return line.find("size=") != std::string_view::npos &&
           line.find("time=") != std::string_view::npos;
}

// Lines that only repeat that something printed before them failed. After
//   [AVFilterGraph @ 0x5613] Error initializing filter 'vidstabtransform' with args '...'
// the converter goes on with
//   Error reinitializing filters!
//   Failed to inject frame into filter network: Invalid argument
//   Error while processing the decoded data for stream #0:0
//   Conversion failed!
// so the line before them is the one that tells the user why.
bool is_follow_up(std::string_view line)
{
    constexpr std::array<std::string_view, 6> follow_ups = {
        "Conversion failed!",
        "Error reinitializing filters!",
        "Failed to inject frame into filter network",
        "Error while processing the decoded data",
        "Error while filtering",
        "Error while decoding stream",
    };
    return std::any_of(follow_ups.begin(), follow_ups.end(),
                       [&](std::string_view f) { return line.substr(0, f.size()) == f; });
}

// The closing summary: "video:35kB audio:260kB subtitle:0kB ... muxing overhead: unknown".
bool is_summary(std::string_view line)
{
    return line.substr(0, 6) == "video:" && line.find("muxing overhead") != std::string_view::npos;
}

constexpr std::size_t longest_line = 4096;

} // namespace

std::string failure_text(std::string_view text)
{
    // Trimming the joined text first would change nothing a search finds.
    if (holds_assertion(text))
        return std::string(assertion_failed);
    if (text.find(no_such_file) != std::string_view::npos)
        return std::string(no_such_file);
    return {};
}

std::string without_names(std::string text, const std::vector<std::string>& names)
{
    for (const auto& name : names) {
        if (name.empty())
            continue;
        for (auto at = text.find(name); at != std::string::npos; at = text.find(name, at))
            text.erase(at, name.size());
        // The longest head of the name that ends the text, and the longest
        // tail that starts it: the rest of the name is in the other read.
        for (std::size_t n = std::min(name.size() - 1, text.size()); n > 0; --n) {
            if (text.compare(text.size() - n, n, name, 0, n) == 0) {
                text.erase(text.size() - n);
                break;
            }
        }
        for (std::size_t n = std::min(name.size() - 1, text.size()); n > 0; --n) {
            if (text.compare(0, n, name, name.size() - n, n) == 0) {
                text.erase(0, n);
                break;
            }
        }
    }
    return text;
}

std::optional<std::string> progress_time(std::string_view chunk)
{
    const auto time = chunk.find("time=");
    if (time == std::string_view::npos || chunk.find("size=") == std::string_view::npos)
        return std::nullopt;
    const auto rate = chunk.find("bitrate=");
    if (rate == std::string_view::npos || rate < time + 6)
        return std::string();
    return std::string(chunk.substr(time + 5, rate - time - 6));
}

std::optional<ProgressStep> progress_step(std::string_view time_text, double duration, Pass pass)
{
    // The converter prints a time before the start as "-00:00:00.04": the
    // sign belongs to the whole time, not to the hours.
    std::string_view unsigned_text = trimmed(time_text);
    const bool negative = !unsigned_text.empty() && unsigned_text.front() == '-';
    if (negative)
        unsigned_text.remove_prefix(1);
    long double seconds = 0;
    try {
        seconds = clock_seconds(split_clock(unsigned_text));
    } catch (const ConversionError&) {
        return std::nullopt;
    }
    if (negative)
        seconds = -seconds;
    if (duration == 0 || !std::isfinite(duration))
        return std::nullopt;
    const long double share = seconds / duration * 100;
    if (!std::isfinite(share))
        return std::nullopt;
    // Far beyond either end the gauge shows the same; the bound keeps the
    // rounding within range.
    const long long n = round_half_even(std::clamp<long double>(share, -1000, 1000));
    ProgressStep step;
    step.gauge = static_cast<int>(pass == Pass::analysis ? n / 2 : 50 + n / 2);
    step.pass = pass;
    step.share = static_cast<int>(n);
    step.seconds = static_cast<double>(seconds);
    const ClockParts parts = split_clock(time_text);
    step.label = std::string(pass == Pass::analysis ? "Analyze " : "Process ") + parts.hours + ":" +
                 parts.minutes + ":" + parts.seconds + " ......";
    return step;
}

PassOutput::Taken PassOutput::take(std::string_view chunk)
{
    Taken taken;
    taken.failure = failure_text(without_names(previous_ + std::string(chunk), names_));
    if (taken.failure.empty()) {
        if (const auto time = progress_time(chunk))
            taken.progress = progress_step(*time, duration_, pass_);
    }
    take_lines(chunk);
    previous_.assign(chunk);
    return taken;
}

void PassOutput::take_lines(std::string_view chunk)
{
    for (char c : chunk) {
        if (c == '\r' || c == '\n') {
            take_line(partial_);
            partial_.clear();
        } else if (partial_.size() < longest_line) {
            partial_ += c;
        }
    }
}

void PassOutput::take_line(std::string_view line)
{
    line = trimmed(line);
    if (line.empty() || is_progress_line(line) || is_summary(line))
        return;
    last_line_.assign(line);
    if (!is_follow_up(line))
        last_reason_.assign(line);
}

std::string PassOutput::failure_reason(const ExitStatus& status) const
{
    // A converter killed by a signal had no say; its last line is no reason.
    if (status.signalled || !status.known)
        return status.describe();
    PassOutput rest = *this;
    rest.take_line(partial_);
    if (!rest.last_reason_.empty())
        return rest.last_reason_;
    if (!rest.last_line_.empty())
        return rest.last_line_;
    return status.describe();
}

} // namespace calm
