#pragma once
// Reading what the converter prints during a pass, chunk by chunk as the
// runner hands it over. A progress line looks like
//   frame=   75 fps=0.0 q=-0.0 size=N/A time=00:00:03.01 bitrate=N/A speed=21.3x
// and moves the gauge over the pass's half; "No such file" or an assertion
// failure ends the job. The last lines are kept so a converter that ends
// with an error status can be reported in its own words.

#include "platform/process.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace calm {

enum class Pass { analysis, transform };

// "Assertion failed!" when the text holds an assertion failure (also
// glibc's "Assertion `...' failed."), else "No such file" when it holds
// that, else empty.
std::string failure_text(std::string_view text);

// The text without the file names the converter echoes ("Input #0, mov,mp4,
// from '/v/No such file.mp4':"), so no name can hold a failure text. A name
// cut off by the start or the end of the text goes as well.
std::string without_names(std::string text, const std::vector<std::string>& names);

// The time text of a progress line: what stands between "time=" and the
// blank before "bitrate=". Nothing when this chunk alone does not hold
// both "size=" and "time="; an empty text when "bitrate=" is missing or
// stands before "time=".
std::optional<std::string> progress_time(std::string_view chunk);

struct ProgressStep
{
    int gauge = 0; // unclamped; the gauge holds it within its range
    std::string label;
    Pass pass = Pass::analysis;
    int share = 0;       // percent of this pass, unclamped
    double seconds = 0;  // the converter's time in the clip
};

// The gauge value and label for a time text. Nothing when the time cannot
// be read or the duration is zero: that update is skipped, the job goes on.
std::optional<ProgressStep> progress_step(std::string_view time_text, double duration, Pass pass);

class PassOutput
{
  public:
    PassOutput(Pass pass, double duration, std::vector<std::string> names = {})
        : pass_(pass), duration_(duration), names_(std::move(names))
    {
    }

    struct Taken
    {
        std::string failure;
        std::optional<ProgressStep> progress;
    };
    // The failure texts are searched in the previous chunk joined with this
    // one, so a text split between two reads is found, outside the names.
    Taken take(std::string_view chunk);

    // What a converter that ended with a status other than 0 said last.
    std::string failure_reason(const ExitStatus& status) const;

  private:
    void take_lines(std::string_view chunk);
    void take_line(std::string_view line);

    Pass pass_;
    double duration_;
    std::vector<std::string> names_; // the files the converter was given
    std::string previous_;
    std::string partial_;     // the line being printed
    std::string last_reason_; // last line that says something of its own
    std::string last_line_;   // last line of any kind but progress
};

} // namespace calm
