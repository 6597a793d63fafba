// Clips as they come from cameras, phones and other programs, not from our
// own generator, through the real windows and Debian's real converter.

#include "app/main_window.h"
#include "app/program.h"
#include "child.h"
#include "fake_converter.h"
#include "platform/image_view.h"
#include "shaky_clip.h"

#include <QCoreApplication>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>

using calm::test::child;

namespace calm {
namespace {

namespace fs = std::filesystem;

// The program with the real converter, and a folder for clips.
struct LiveProgram
{
    test::FakeConverter fake{false};
    std::unique_ptr<Program> program;
    MainWindow* w = nullptr;

    LiveProgram()
    {
        fs::create_symlink(CALM_FFMPEG, fake.converter());
        program = start(fake.env);
        w = program ? program->main.get() : nullptr;
    }
    ~LiveProgram()
    {
        if (w)
            w->close();
    }

    // Runs the real converter with these arguments and the output file last.
    static bool make(const std::string& args, const fs::path& file)
    {
        fs::create_directories(file.parent_path());
        const std::string line = std::string(CALM_FFMPEG) + " -v error -y " + args + " '" +
                                 file.string() + "' </dev/null";
        return std::system(line.c_str()) == 0;
    }

    void load(const fs::path& clip)
    {
        fake.dialogs.open_answers.push_back({clip.string()});
        w->load_video();
    }

    // Fix into target; the boxes shown until the job has ended.
    std::vector<std::string> fix(const fs::path& target)
    {
        fake.dialogs.save_answers.push_back(target.string());
        const std::size_t before = fake.dialogs.messages.size();
        w->fix();
        test::wait_until([&] { return fake.dialogs.messages.size() > before; }, 60000);
        std::vector<std::string> texts = fake.dialogs.message_texts();
        texts.erase(texts.begin(), texts.begin() + static_cast<long>(before));
        return texts;
    }
};

const std::string success = "The process completed successfully!";
const std::string two_seconds = "-f lavfi -i testsrc=size=320x240:rate=25:duration=2 ";

// Sets the display matrix of the first track of an MP4 the converter wrote:
// the matrix stands 48 bytes into the version 0 "tkhd" box, under moov/trak.
bool turn_first_track(const fs::path& file, const std::array<std::int32_t, 9>& matrix)
{
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    auto read32 = [&](std::uint64_t at) -> std::optional<std::uint32_t> {
        unsigned char b[4];
        f.seekg(static_cast<std::streamoff>(at));
        if (!f.read(reinterpret_cast<char*>(b), 4))
            return std::nullopt;
        return (std::uint32_t{b[0]} << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
    };
    // The first box of this type within [from, to).
    auto find = [&](std::uint64_t from, std::uint64_t to,
                    const char* type) -> std::optional<std::pair<std::uint64_t, std::uint64_t>> {
        const std::uint32_t want = (std::uint32_t(type[0]) << 24) | (type[1] << 16) |
                                   (type[2] << 8) | std::uint32_t(type[3]);
        for (std::uint64_t at = from; at + 8 <= to;) {
            const auto size = read32(at);
            const auto kind = read32(at + 4);
            if (!size || !kind || *size < 8)
                return std::nullopt;
            if (*kind == want)
                return std::make_pair(at, at + *size);
            at += *size;
        }
        return std::nullopt;
    };
    const auto end = fs::file_size(file);
    const auto moov = find(0, end, "moov");
    const auto trak = moov ? find(moov->first + 8, moov->second, "trak") : std::nullopt;
    const auto tkhd = trak ? find(trak->first + 8, trak->second, "tkhd") : std::nullopt;
    if (!tkhd)
        return false;
    f.seekp(static_cast<std::streamoff>(tkhd->first + 48));
    for (const std::int32_t v : matrix) {
        const auto u = static_cast<std::uint32_t>(v);
        const char b[4] = {char(u >> 24), char(u >> 16), char(u >> 8), char(u)};
        f.write(b, 4);
    }
    return bool(f);
}

TEST(RealFootage, PackedPixelSourcesAreStabilized)
{
    // What Cinepak, PNG, QuickTime Animation and raw RGB videos decode to.
    const struct
    {
        const char* shows;
        const char* file;
        const char* encode;
    } cases[] = {
        {"raw rgb24 in MOV", "raw.mov", "-c:v rawvideo -pix_fmt rgb24"},
        {"PNG frames in AVI", "png.avi", "-c:v png -pix_fmt rgb24"},
        {"palette frames in MOV", "pal.mov", "-c:v png -pix_fmt pal8"},
        {"QuickTime Animation with alpha", "qtrle.mov", "-c:v qtrle -pix_fmt argb"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        LiveProgram live;
        ASSERT_NE(live.w, nullptr);
        const fs::path clip = live.fake.root() / "clips" / c.file;
        ASSERT_TRUE(LiveProgram::make(two_seconds + c.encode, clip));
        live.load(clip);
        ASSERT_TRUE(live.w->media().loaded());
        ASSERT_TRUE(live.fake.dialogs.messages.empty()) << live.fake.dialogs.messages[0].text;

        const fs::path target = live.fake.root() / "out" / ("steady" + clip.extension().string());
        fs::create_directories(target.parent_path());
        EXPECT_EQ(live.fix(target), std::vector<std::string>{success});
        const auto source = test::probe_video(clip);
        const auto steady = test::probe_video(target);
        EXPECT_EQ(steady.width, 320);
        EXPECT_EQ(steady.height, 240);
        EXPECT_NEAR(steady.duration, source.duration, 1.0 / 25);
        EXPECT_LE(std::abs(steady.frames - source.frames), 1);
    }
}

TEST(RealFootage, APortraitPhoneClipPreviewsAndComesOutUpright)
{
    LiveProgram live;
    ASSERT_NE(live.w, nullptr);
    // Stored as 320x180 landscape frames, shown turned a quarter to portrait.
    const fs::path clip = live.fake.root() / "phone.mp4";
    ASSERT_TRUE(LiveProgram::make(
        "-f lavfi -i testsrc=size=320x180:rate=25:duration=2 -c:v libx264 -pix_fmt yuv420p", clip));
    ASSERT_TRUE(turn_first_track(clip, {0, 0x10000, 0, -0x10000, 0, 0, 0, 0, 0x40000000}));

    live.load(clip);
    ASSERT_TRUE(live.fake.dialogs.messages.empty()) << live.fake.dialogs.messages[0].text;
    EXPECT_EQ(live.w->media().width, "320") << "the stored size stays as read";
    EXPECT_EQ(live.w->media().height, "180");
    const auto* preview = child<ImageView>(*live.w, "preview");
    ASSERT_TRUE(preview->has_image());
    // 320 / 180 * 429 = 762.67
    EXPECT_EQ(preview->image().size(), QSize(429, 763));

    const fs::path target = live.fake.root() / "upright.mp4";
    EXPECT_EQ(live.fix(target), std::vector<std::string>{success});
    const auto steady = test::probe_video(target);
    EXPECT_EQ(steady.width, 180);
    EXPECT_EQ(steady.height, 320);
}

TEST(RealFootage, ACoverPictureIsNotTheVideo)
{
    LiveProgram live;
    ASSERT_NE(live.w, nullptr);
    const fs::path clip = live.fake.root() / "covered.mp4";
    ASSERT_TRUE(LiveProgram::make(
        "-f lavfi -i testsrc=size=320x180:rate=25:duration=2 "
        "-f lavfi -i testsrc=size=1000x1000:duration=0.04 -map 0 -map 1 -c:v:0 libx264 "
        "-pix_fmt:v:0 yuv420p -c:v:1 png -disposition:v:1 attached_pic",
        clip));
    live.load(clip);
    ASSERT_TRUE(live.fake.dialogs.messages.empty()) << live.fake.dialogs.messages[0].text;
    EXPECT_EQ(live.w->media().width, "320");
    EXPECT_EQ(live.w->media().height, "180");
    // 180 / 320 * 429 = 241.31
    EXPECT_EQ(child<ImageView>(*live.w, "preview")->image().size(), QSize(429, 241));

    const fs::path target = live.fake.root() / "steady.mp4";
    EXPECT_EQ(live.fix(target), std::vector<std::string>{success});
    const auto steady = test::probe_video(target);
    EXPECT_EQ(steady.width, 320);
    EXPECT_EQ(steady.height, 180);
}

TEST(RealFootage, AFileWithoutVideoIsNotStabilized)
{
    const struct
    {
        const char* shows;
        const char* file;
        const char* encode;
    } cases[] = {
        {"plain audio", "tone.m4a", "-f lavfi -i sine=duration=2 -c:a aac"},
        {"audio with a cover picture", "song.mp3",
         "-f lavfi -i sine=duration=2 -f lavfi -i testsrc=size=200x200:duration=0.04 -map 0 "
         "-map 1 -c:a libmp3lame -c:v mjpeg -disposition:v attached_pic"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        LiveProgram live;
        ASSERT_NE(live.w, nullptr);
        const fs::path clip = live.fake.root() / c.file;
        ASSERT_TRUE(LiveProgram::make(c.encode, clip));
        // Loading goes on as before: the file loads, and its preview, with no
        // frame size to ask for, ends in the error report.
        live.load(clip);
        EXPECT_TRUE(live.w->media().loaded());
        live.fake.dialogs.messages.clear();

        // A converter started now would fail and say something else.
        fs::remove(live.fake.converter());
        live.w->fix();
        ASSERT_EQ(live.fake.dialogs.messages.size(), 1u);
        const auto& box = live.fake.dialogs.messages[0];
        EXPECT_EQ(box.text, "The file has no video stream to stabilize.\r" + clip.string());
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.icon, Icon::error);
        EXPECT_EQ(box.owner, live.w);
        EXPECT_TRUE(live.fake.dialogs.save_seen.empty()) << "no target is asked for";
        EXPECT_TRUE(test::child_processes().empty());
    }
}

TEST(RealFootage, FileNamesThatHoldFailureTextsDoNotEndTheJob)
{
    const struct
    {
        const char* shows;
        const char* source;
        const char* target;
    } cases[] = {
        {"a clip named after a failure", "clips/No such file.mp4", "out/steady.mp4"},
        {"a target in a folder named after one", "clips/shaky.mp4", "No such file/steady.mp4"},
        {"an assertion in both names", "Assertion failed!/a.mp4", "Assertion failed!/b.mp4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        LiveProgram live;
        ASSERT_NE(live.w, nullptr);
        const fs::path clip = live.fake.root() / c.source;
        fs::create_directories(clip.parent_path());
        std::string log;
        ASSERT_TRUE(test::make_shaky_clip(clip, {}, &log)) << log;
        live.load(clip);
        ASSERT_TRUE(live.w->media().loaded());
        const fs::path target = live.fake.root() / c.target;
        fs::create_directories(target.parent_path());
        EXPECT_EQ(live.fix(target), std::vector<std::string>{success});
        EXPECT_TRUE(fs::exists(target));
    }
}

} // namespace
} // namespace calm
