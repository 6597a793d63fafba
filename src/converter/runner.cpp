#include "runner.h"

#include <array>

namespace calm {

std::string step_code(int use_digit, Step step)
{
    return "0" + std::to_string(use_digit) + std::to_string(static_cast<int>(step));
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

    const bool* cancel = use.cancel_flag();
    for (;;) {
        if (cancel && *cancel) {
            child.terminate();
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
