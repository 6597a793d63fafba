#pragma once
// run_converter: the one way the program runs the converter. It starts the
// converter with one pipe for its stdout and stderr, takes the output in
// turns without blocking while the windows stay alive, hands each chunk to
// the use that started it, and cleans up on every way out: no converter is
// left running or unreaped. Failed steps give the code "0" + use digit +
// step digit; on success the caller's code text is left as it was.

#include "command_line.h"
#include "platform/environment.h"
#include "platform/process.h"

#include <atomic>
#include <string>
#include <string_view>

namespace calm {

// The step digits of the runner's own codes.
enum class Step { pipe = 1, start = 2, peek = 3, read = 4 };

std::string step_code(int use_digit, Step step);

// What a use says after a chunk.
enum class Verdict { go_on, end_success, end_failure };

// One use of the converter: its digit and its behaviour.
class ConverterUse
{
  public:
    virtual ~ConverterUse() = default;
    virtual int digit() const = 0;
    // A set flag ends the run at the start of the next turn (passes only).
    virtual const std::atomic<bool>* cancel_flag() const { return nullptr; }
    // A use that must answer within the environment's answer limit: past it
    // the converter is ended as on Cancel and the code says so.
    virtual bool time_limited() const { return false; }
    virtual void started() {}
    // A chunk of output as read; the use may set the code and end the run.
    virtual Verdict chunk(std::string_view, std::string& /*code*/) { return Verdict::go_on; }
    // The converter ended by itself; all of its output has been handed over.
    virtual bool ended(const ExitStatus& status, std::string& code) = 0;
};

inline constexpr std::uint32_t read_limit = 512;

bool run_converter(ConverterUse& use, const CommandLine& command, std::string& code,
                   const Environment& env, const std::string& working_folder = {});

// "the converter gave no answer within 20 s": the code of a run that ran out of time.
std::string no_answer_reason(int limit_ms);
bool is_no_answer(const std::string& code);

// <system folder>/calm/client.exe
std::string converter_path(const Environment& env);

} // namespace calm
