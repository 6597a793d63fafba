#pragma once
// What `calmora --fix` tells on stderr while a batch runs: on a terminal one
// line per clip that is rewritten in place,
//   [2/40] clip.mp4  Transform  57%  about 12 s left
// elsewhere (a log, a pipe) a line each time a clip passes another 10 %.
// Failures and skips are always told; with quiet nothing else is. The text
// goes to a sink so tests read it as written.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace calm {

struct ClipState
{
    int number = 0; // 1-based place in the batch
    int count = 0;
    std::string name;      // as the user gave it
    std::string pass;      // "Analyze" or "Transform"; empty before the first progress
    int percent = 0;       // across the whole job of this clip
    std::string time_left; // "about 12 s left", or empty
};

std::string progress_line(const ClipState& clip);

// "3 clips: 2 succeeded, 1 failed, 0 skipped"
std::string summary_line(int succeeded, int failed, int skipped);

class BatchReport
{
  public:
    BatchReport(std::function<void(const std::string&)> sink, bool terminal, bool quiet);

    void progress(const ClipState& clip);
    void succeeded(const ClipState& clip);
    // "SOURCE: reason"
    void failed(const ClipState& clip, const std::string& reason);
    void summary(int succeeded, int failed, int skipped);

  private:
    void settle(int number, const std::string& final_line);
    void redraw();

    std::function<void(const std::string&)> sink_;
    bool terminal_;
    bool quiet_;
    std::map<int, std::string> live_; // clips on screen that still change, by number
    int drawn_ = 0;                   // live lines last drawn
    std::map<int, int> told_tenth_;   // last 10 % step told, off a terminal
};

} // namespace calm
