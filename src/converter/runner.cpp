#include "runner.h"

#include <array>
#include <chrono>

namespace calm {

std::string step_code(int use_digit, Step step)
{
    return "0" + std::to_string(use_digit) + std::to_string(static_cast<int>(step));
}

namespace {
constexpr std::string_view no_answer = "the converter gave no answer within ";
}

std::string no_answer_reason(int limit_ms)
{
    // Written out by hand: the user's locale must not turn "0.5" into "0,5".
    std::string seconds = std::to_string(limit_ms / 1000);
    if (const int rest = limit_ms % 1000; rest != 0) {
        std::string fraction = std::to_string(1000 + rest).substr(1);
        fraction.erase(fraction.find_last_not_of('0') + 1);
        seconds += "." + fraction;
    }
    return std::string(no_answer) + seconds + " s";
}

bool is_no_answer(const std::string& code)
{
    return code.compare(0, no_answer.size(), no_answer) == 0;
}

std::string converter_path(const Environment& env)
{
    return env.system_folder + "/calm/client.exe";
}

namespace {

// Every way out of a run passes here: a converter that may still run is
// killed and reaped before the pipe is released.
struct RunGuard
{
    std::unique_ptr<ChildProcess> process;
    ~RunGuard()
    {
        if (process)
            process->close();
    }
};

} // namespace

bool run_converter(ConverterUse& use, const CommandLine& command, std::string& code,
                   const Environment& env, const std::string& working_folder)
{
    RunGuard run{env.make_process ? env.make_process() : make_child_process()};
    ChildProcess& child = *run.process;
    const int digit = use.digit();
    std::array<char, read_limit> buffer{};

    if (!child.create_pipe()) {
        code = step_code(digit, Step::pipe);
        return false;
    }
    if (!child.start(command.argv(), working_folder)) {
        code = step_code(digit, Step::start);
        return false;
    }
    use.started();
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(env.answer_limit_ms);
    const bool limited = use.time_limited();

    // Reads what waits; answers false when a step failed or the use ended the run.
    bool finished = false;
    bool result = false;
    auto take = [&](std::uint32_t waiting) {
        std::uint32_t got = 0;
        if (!child.read(buffer.data(), std::min(waiting, read_limit), got)) {
            code = step_code(digit, Step::read);
            finished = true;
            return;
        }
        const Verdict v = use.chunk(std::string_view(buffer.data(), got), code);
        if (v != Verdict::go_on) {
            finished = true;
            result = v == Verdict::end_success;
        }
    };

    const std::atomic<bool>* cancel = use.cancel_flag();
    for (;;) {
        if (cancel && *cancel) {
            child.terminate();
            return false;
        }
        // A file that never ends (a named pipe, a stalled mount) must not
        // keep the window disabled for ever.
        if (limited && Clock::now() >= deadline) {
            child.terminate();
            code = no_answer_reason(env.answer_limit_ms);
            return false;
        }
        std::uint32_t waiting = 0;
        if (!child.peek(waiting)) {
            code = step_code(digit, Step::peek);
            return false;
        }
        if (waiting > 0) {
            take(waiting);
            if (finished)
                return result;
        } else if (child.has_ended()) {
            // What the converter wrote just before it ended is still in the pipe.
            while (child.peek(waiting) && waiting > 0) {
                take(waiting);
                if (finished)
                    return result;
            }
            return use.ended(child.exit_status(), code);
        } else {
            child.wait_for_output(env.idle_wait_ms);
        }
        if (env.pump)
            env.pump();
    }
}

} // namespace calm
