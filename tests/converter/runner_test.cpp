#include "converter/check_converter.h"
#include "converter/runner.h"
#include "fake_converter.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace calm {
namespace {

using test::child_processes;
using test::FakeConverter;

// Collects everything; ends early on a chosen word; can throw on a chunk.
class Probe final : public ConverterUse
{
  public:
    int digit() const override { return digit_; }
    const std::atomic<bool>* cancel_flag() const override { return cancel_; }
    Verdict chunk(std::string_view c, std::string&) override
    {
        text += c;
        ++chunks;
        if (throw_on_chunk)
            throw std::runtime_error("use failed");
        if (!stop_word.empty() && text.find(stop_word) != std::string::npos)
            return Verdict::end_success;
        if (cancel_after_chunk && cancel_)
            *cancel_ = true;
        return Verdict::go_on;
    }
    bool ended(const ExitStatus& s, std::string&) override
    {
        status = s;
        ended_by_itself = true;
        return true;
    }

    int digit_ = 3;
    std::atomic<bool>* cancel_ = nullptr;
    std::string stop_word;
    bool throw_on_chunk = false;
    bool cancel_after_chunk = false;
    std::string text;
    int chunks = 0;
    ExitStatus status;
    bool ended_by_itself = false;
};

TEST(StartupCheck, FindsTheBannerWhereverTheReadsSplitIt)
{
    struct Case
    {
        const char* shows;
        std::string script;
        bool found;
    };
    const Case cases[] = {
        {"banner in one chunk", "on *\nout ffmpeg version 5.1\\n\nexit 0\n", true},
        {"banner split across two reads",
         "on *\nout \\n  ffmpeg ver\nsleep 60\nout sion 5.1\\n\nexit 0\n", true},
        {"banner spread over three reads",
         "on *\nout ffmpeg\nsleep 60\nout  vers\nsleep 60\nout ion\nexit 0\n", false},
        {"something else printed", "on *\nout hello world\\n\nexit 0\n", false},
        {"nothing printed at all", "on *\nexit 0\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        FakeConverter fake;
        fake.script(c.script);
        std::string code;
        EXPECT_EQ(check_converter(code, fake.env), c.found);
        EXPECT_EQ(code, "");
        EXPECT_TRUE(child_processes().empty());
    }
}

TEST(StartupCheck, MissingConverterGives002)
{
    FakeConverter fake(false);
    std::string code;
    EXPECT_FALSE(check_converter(code, fake.env));
    EXPECT_EQ(code, "002");
}

TEST(StartupCheck, BannerEndsTheCheckAndTheStillRunningConverterIsKilled)
{
    FakeConverter fake;
    fake.script("on *\nout ffmpeg version 5.1\\n\nhang\n");
    std::string code = "kept";
    EXPECT_TRUE(check_converter(code, fake.env));
    EXPECT_EQ(code, "kept");
    EXPECT_TRUE(child_processes().empty());
}

TEST(Runner, HandsOverAllOutputAndTheExitStatus)
{
    FakeConverter fake;
    // Output written right before the end must not be lost.
    fake.script("on *\nout first\\n\nsleep 30\nout last words\nexit 3\n");
    Probe use;
    std::string code = "caller";
    EXPECT_TRUE(run_converter(use, CommandLine(fake.converter()), code, fake.env));
    EXPECT_EQ(use.text, "first\nlast words");
    EXPECT_TRUE(use.ended_by_itself);
    EXPECT_EQ(use.status.describe(), "exit status 3");
    EXPECT_EQ(code, "caller");
}

TEST(Runner, ReadsAtMost512BytesAtATime)
{
    FakeConverter fake;
    fake.script("on *\nout " + std::string(2000, 'a') + "\nsleep 50\nexit 0\n");
    Probe use;
    std::string code;
    ASSERT_TRUE(run_converter(use, CommandLine(fake.converter()), code, fake.env));
    EXPECT_EQ(use.text.size(), 2000u);
    EXPECT_GE(use.chunks, 4);
}

TEST(Runner, PassesArgumentsAndWorkingFolder)
{
    FakeConverter fake;
    fake.script("on *\nexit 0\n");
    Probe use;
    std::string code;
    const auto folder = fake.root().string();
    run_converter(use, CommandLine(fake.converter()).text(" -i ").file("a \"b\".mp4"), code,
                  fake.env, folder);
    const auto runs = fake.runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].cwd, folder);
    EXPECT_EQ(runs[0].argv, (std::vector<std::string>{fake.converter(), "-i", "a \"b\".mp4"}));
}

TEST(Runner, EarlyEndCancelAndErrorsKillTheConverter)
{
    FakeConverter fake;
    fake.script("on *\nout ready\\n\nhang\n");
    {
        Probe use;
        use.stop_word = "ready";
        std::string code;
        EXPECT_TRUE(run_converter(use, CommandLine(fake.converter()), code, fake.env));
        EXPECT_TRUE(child_processes().empty());
    }
    {
        std::atomic<bool> cancel{false};
        Probe use;
        use.cancel_ = &cancel;
        use.cancel_after_chunk = true;
        std::string code = "as before";
        EXPECT_FALSE(run_converter(use, CommandLine(fake.converter()), code, fake.env));
        EXPECT_EQ(code, "as before");
        EXPECT_FALSE(use.ended_by_itself);
        EXPECT_TRUE(child_processes().empty());
    }
    {
        Probe use;
        use.throw_on_chunk = true;
        std::string code;
        EXPECT_THROW(run_converter(use, CommandLine(fake.converter()), code, fake.env),
                     std::runtime_error);
        EXPECT_TRUE(child_processes().empty());
    }
}

TEST(Runner, CancelIsSeenWhileTheConverterIsSilent)
{
    FakeConverter fake;
    fake.script("on *\nhang\n");
    std::atomic<bool> cancel{false};
    int turns = 0;
    fake.env.pump = [&] {
        if (++turns == 20)
            cancel = true;
    };
    Probe use;
    use.cancel_ = &cancel;
    std::string code;
    EXPECT_FALSE(run_converter(use, CommandLine(fake.converter()), code, fake.env));
    EXPECT_EQ(turns, 20);
    EXPECT_TRUE(child_processes().empty());
}

// A child process whose steps fail on demand.
class FailingProcess final : public ChildProcess
{
  public:
    explicit FailingProcess(Step failing) : failing_(failing) {}
    bool create_pipe() override { return failing_ != Step::pipe; }
    bool start(const std::vector<std::string>&, const std::string&) override
    {
        return failing_ != Step::start;
    }
    bool peek(std::uint32_t& waiting) override
    {
        waiting = 1;
        return failing_ != Step::peek;
    }
    bool read(char*, std::uint32_t, std::uint32_t&) override { return false; }
    bool wait_for_output(int) override { return false; }
    bool has_ended() override { return false; }
    ExitStatus exit_status() const override { return {}; }
    void terminate() override {}
    void close() override {}

  private:
    Step failing_;
};

TEST(Runner, EachFailedStepGivesItsCode)
{
    FakeConverter fake;
    const std::pair<Step, int> cases[] = {
        {Step::pipe, 1}, {Step::start, 2}, {Step::peek, 3}, {Step::read, 4}};
    for (int digit = 0; digit <= 4; ++digit) {
        for (auto [step, d] : cases) {
            fake.env.make_process = [step] { return std::make_unique<FailingProcess>(step); };
            Probe use;
            use.digit_ = digit;
            std::string code;
            EXPECT_FALSE(run_converter(use, CommandLine("x"), code, fake.env));
            EXPECT_EQ(code, "0" + std::to_string(digit) + std::to_string(d));
        }
    }
}

} // namespace
} // namespace calm
