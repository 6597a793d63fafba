#include "converter/runner.h"
#include "media/numbers.h"
#include "media/probe.h"
#include "media/timecode.h"
#include "media_descriptions.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>

namespace calm {
namespace {

namespace fs = std::filesystem;
using test::child_processes;
using test::expect_record;
using test::FakeConverter;
using test::untouched;
using test::untouched_record;

const test::Described& described(const std::string& fixture)
{
    for (const auto& d : test::described_fixtures())
        if (d.fixture == fixture)
            return d;
    throw std::logic_error("no fixture " + fixture);
}

// A converter that hands over exactly the given reads, one per turn, then ends
// with status 1 as ffmpeg does when it is given no output file.
class ScriptedProcess final : public ChildProcess
{
  public:
    explicit ScriptedProcess(std::vector<std::string> reads) : reads_(std::move(reads)) {}
    bool create_pipe() override { return true; }
    bool start(const std::vector<std::string>&, const std::string&) override { return true; }
    bool peek(std::uint32_t& waiting) override
    {
        waiting = next_ < reads_.size() ? static_cast<std::uint32_t>(reads_[next_].size()) : 0;
        return true;
    }
    bool read(char* buffer, std::uint32_t max, std::uint32_t& got) override
    {
        const std::string& r = reads_.at(next_++);
        if (r.size() > max)
            return false;
        r.copy(buffer, r.size());
        got = static_cast<std::uint32_t>(r.size());
        return true;
    }
    bool wait_for_output(int) override { return false; }
    bool has_ended() override { return next_ == reads_.size(); }
    ExitStatus exit_status() const override { return {true, false, 1}; }
    void terminate() override {}
    void close() override {}

  private:
    std::vector<std::string> reads_;
    std::size_t next_ = 0;
};

std::vector<std::string> pieces_of(const std::string& text, std::size_t size)
{
    std::vector<std::string> out;
    for (std::size_t at = 0; at < text.size(); at += size)
        out.push_back(text.substr(at, size));
    return out;
}

TEST(MediaProbe, WhereTheReadsSplitTheOutputDoesNotMatter)
{
    // One byte per read leaves every blank and line break at a read's edge,
    // and most reads repeat earlier text.
    for (const std::size_t size : {1u, 3u, 64u, 512u}) {
        for (const auto& want : test::described_fixtures()) {
            SCOPED_TRACE(std::string(want.fixture) + " in reads of " + std::to_string(size));
            Environment env;
            env.system_folder = "/nowhere";
            const auto reads = pieces_of(test::fixture_text(want.fixture), size);
            env.make_process = [reads] { return std::make_unique<ScriptedProcess>(reads); };
            MediaInfo info = untouched_record();
            std::string code = "caller";
            EXPECT_EQ(probe_media(code, "/videos/clip.mp4", info, env), want.loads);
            EXPECT_EQ(code, want.loads ? "caller" : "No duration!");
            expect_record(info, want);
        }
    }
}

// The fake converter's "out" takes one line with escapes.
std::string escaped(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c < 32) {
            char b[8];
            std::snprintf(b, sizeof b, "\\x%02X", c);
            out += b;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// Where the n-th `marker` (from 1) starts, or ends when `end` is set.
std::size_t at(const std::string& text, const std::string& marker, int n, bool end)
{
    std::size_t p = text.find(marker);
    while (--n > 0 && p != std::string::npos)
        p = text.find(marker, p + 1);
    if (p == std::string::npos)
        throw std::logic_error("fixture lacks " + marker);
    return end ? p + marker.size() : p;
}

TEST(MediaProbe, ReadsSplitAtAwkwardPlacesByARealPipe)
{
    const std::string h264 = test::fixture_text("h264_aac");
    const std::string two = test::fixture_text("two_video");
    const std::string repeated =
        ": Video: h264 (Constrained Baseline) (avc1 / 0x31637661), yuv420p(progressive), ";
    struct Case
    {
        const char* shows;
        const char* fixture;
        std::vector<std::size_t> cuts;
    };
    const Case cases[] = {
        {"a read ending inside \"Duration: \"", "h264_aac", {at(h264, "Duration:", 1, true)}},
        {"a read ending right after the frame size", "h264_aac", {at(h264, "320x240", 1, true)}},
        {"a read that repeats earlier text",
         "two_video",
         {at(two, repeated, 2, false), at(two, repeated, 2, true)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        const std::string text = test::fixture_text(c.fixture);
        std::string script = "on *\n";
        std::size_t from = 0;
        for (const std::size_t cut : c.cuts) {
            // The pause lets the probe take each piece as a read of its own.
            script += "out " + escaped(text.substr(from, cut - from)) + "\nsleep 60\n";
            from = cut;
        }
        script += "out " + escaped(text.substr(from)) + "\nexit 1\n";
        FakeConverter fake;
        fake.script(script);
        MediaInfo info = untouched_record();
        std::string code;
        EXPECT_TRUE(probe_media(code, "/videos/clip.mp4", info, fake.env));
        EXPECT_EQ(code, "");
        expect_record(info, described(c.fixture));
        EXPECT_TRUE(child_processes().empty());
    }
}

TEST(MediaProbe, PassesTheFileAsOneArgumentBehindMinusI)
{
    FakeConverter fake;
    fake.script("on *\nout " + escaped(test::fixture_text("portrait")) + "\nexit 1\n");
    const std::string path = "/videos/shaky clip, \"take 2\".mp4";
    MediaInfo info;
    std::string code;
    EXPECT_TRUE(probe_media(code, path, info, fake.env));
    const auto runs = fake.runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].argv, (std::vector<std::string>{fake.converter(), "-i", path}));
    EXPECT_EQ(info.filename, "");
}

TEST(MediaProbe, Failures)
{
    struct Case
    {
        const char* shows;
        bool with_converter;
        std::string script;
        const char* code;
        test::Described want;
    };
    const Case cases[] = {
        {"no converter to start: the record stays as it was",
         false,
         "",
         "012",
         {"", false, untouched, untouched, untouched, untouched, untouched, untouched}},
        {"the converter could not open the file",
         true,
         "on *\nout " + escaped(test::fixture_text("not_media")) + "\nexit 1\n",
         "No duration!",
         {"", false, untouched, untouched, untouched, untouched, "", ""}},
        {"a description whose duration is N/A",
         true,
         "on *\nout Input #0, h264, from 'clip.h264':\\n  Duration: N/A, bitrate: N/A\\n"
         "  Stream #0:0: Video: h264, yuv420p, 320x240, 25 fps\\n\nexit 1\n",
         "No duration!",
         {"", false, "N/A", "", untouched, untouched, "320", "240"}},
        {"a converter that prints nothing",
         true,
         "on *\nexit 1\n",
         "No duration!",
         {"", false, untouched, untouched, untouched, untouched, "", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        FakeConverter fake(c.with_converter);
        if (c.with_converter)
            fake.script(c.script);
        MediaInfo info = untouched_record();
        std::string code;
        EXPECT_FALSE(probe_media(code, "/videos/clip.mp4", info, fake.env));
        EXPECT_EQ(code, c.code);
        expect_record(info, c.want);
        EXPECT_TRUE(child_processes().empty());
    }
}

// Debian's ffmpeg stands in as the converter.
class RealConverter : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        fs::remove(fake.converter());
        fs::create_symlink(CALM_FFMPEG, fake.converter());
    }

    FakeConverter fake;
};

TEST_F(RealConverter, ProbesAFreshlyMadeFile)
{
    const std::string clip = (fake.root() / "shaky clip (take 2).mp4").string();
    const std::string make =
        std::string("\"") + CALM_FFMPEG +
        "\" -hide_banner -loglevel error -nostdin -y"
        " -f lavfi -i testsrc=size=160x120:rate=25:duration=1"
        " -f lavfi -i sine=frequency=440:duration=1"
        " -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest \"" +
        clip + "\"";
    ASSERT_EQ(std::system(make.c_str()), 0);

    MediaInfo info;
    std::string code;
    ASSERT_TRUE(probe_media(code, clip, info, fake.env)) << code;
    EXPECT_EQ(code, "");
    EXPECT_EQ(info.filename, "");
    EXPECT_NEAR(seconds_from_clock(info.duration), 1.0, 0.1) << info.duration;
    EXPECT_EQ(info.width, "160");
    EXPECT_EQ(info.height, "120");
    for (const std::string* rate : {&info.bitrate, &info.videobitrate, &info.audiobitrate})
        EXPECT_GT(whole_number(*rate).value_or(0), 0) << "'" << *rate << "'";
    EXPECT_TRUE(child_processes().empty());
}

TEST_F(RealConverter, AFileItCannotOpenHasNoDuration)
{
    const fs::path broken = fake.root() / "broken.mp4";
    test::write_file(broken, "not a video\n");
    MediaInfo info = untouched_record();
    std::string code;
    EXPECT_FALSE(probe_media(code, broken.string(), info, fake.env));
    EXPECT_EQ(code, "No duration!");
    expect_record(info, {"", false, untouched, untouched, untouched, untouched, "", ""});
}

} // namespace
} // namespace calm
