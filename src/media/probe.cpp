#include "probe.h"

#include "converter/runner.h"
#include "probe_parse.h"

namespace calm {

namespace {

// Keeps the output exactly as the converter wrote it: every chunk once, in
// order, nothing trimmed or left out. Where the pipe splits the text must
// not matter: "Duration:" can end one read and " 00:01:10.52," start the
// next, and a read may well repeat text that came before.
class ProbeUse final : public ConverterUse
{
  public:
    ProbeUse(MediaInfo& info, const std::string& path) : info_(info), path_(path) {}

    int digit() const override { return 1; }
    bool time_limited() const override { return true; }
    void started() override { output_.clear(); }
    Verdict chunk(std::string_view chunk, std::string&) override
    {
        output_.append(chunk);
        return Verdict::go_on;
    }
    // The converter ends with a failure status here (it was given no output
    // file), so only the description decides.
    bool ended(const ExitStatus&, std::string& code) override
    {
        return parse_media_description(without(output_, path_), info_, code);
    }

  private:
    // The converter repeats the file's name ("Input #0, mov,mp4, from
    // '/v/take 4000x3000, Duration: 9:00:00, .mp4':") before the facts; a
    // name holding a frame size or a duration must not stand for them.
    static std::string without(std::string text, const std::string& name)
    {
        const std::string quoted = "'" + name + "'";
        for (auto at = text.find(quoted); at != std::string::npos; at = text.find(quoted, at))
            text.erase(at, quoted.size());
        return text;
    }

    MediaInfo& info_;
    const std::string& path_;
    std::string output_;
};

} // namespace

bool probe_media(std::string& code, const std::string& path, MediaInfo& info,
                 const Environment& env)
{
    ProbeUse use(info, path);
    return run_converter(use, CommandLine(converter_path(env)).text(" -i ").file(path), code, env);
}

} // namespace calm
