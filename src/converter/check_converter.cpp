#include "check_converter.h"

#include "runner.h"
#include "trim.h"

namespace calm {

namespace {

class CheckUse final : public ConverterUse
{
  public:
    int digit() const override { return 0; }
    void started() override { previous_.clear(); }

    // The banner may straddle two reads, so the previous chunk is searched too.
    Verdict chunk(std::string_view chunk, std::string&) override
    {
        const std::string joined = previous_ + std::string(chunk);
        if (trimmed(joined).find("ffmpeg version") != std::string_view::npos)
            return Verdict::end_success;
        previous_.assign(chunk);
        return Verdict::go_on;
    }

    bool ended(const ExitStatus&, std::string&) override { return false; }

  private:
    std::string previous_;
};

} // namespace

bool check_converter(std::string& code, const Environment& env)
{
    CheckUse use;
    return run_converter(use, CommandLine(converter_path(env)), code, env);
}

} // namespace calm
