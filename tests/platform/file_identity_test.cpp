#include "platform/file_identity.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <stdlib.h>

namespace calm {
namespace {

namespace fs = std::filesystem;

class FileIdentityTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/calm-identity-XXXXXX";
        root_ = fs::path(::mkdtemp(tmpl));
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    fs::path write(const std::string& name, const std::string& content) const
    {
        std::ofstream(root_ / name, std::ios::binary) << content;
        return root_ / name;
    }
    fs::path root_;
};

TEST_F(FileIdentityTest, EveryChangeToTheFileGivesAnotherIdentity)
{
    const fs::path clip = write("clip.mp4", "0123456789");
    // In the past, so that any write afterwards shows in the time.
    const auto t0 = fs::last_write_time(clip) - std::chrono::seconds(10);
    fs::last_write_time(clip, t0);
    const auto before = file_identity(clip.string());
    ASSERT_TRUE(before);
    EXPECT_EQ(before->size, 10);
    EXPECT_EQ(file_identity(clip.string()), before) << "asked twice, same file";

    struct Case
    {
        const char* change;
        std::function<void()> make;
    };
    const Case cases[] = {
        {"touched one nanosecond later",
         [&] { fs::last_write_time(clip, t0 + std::chrono::nanoseconds(1)); }},
        {"rewritten in place with as many bytes", [&] { write("clip.mp4", "9876543210"); }},
        {"replaced by a rename",
         [&] {
             write("new.mp4", "0123456789");
             fs::last_write_time(root_ / "new.mp4", t0);
             fs::rename(root_ / "new.mp4", clip);
         }},
        {"grown", [&] { std::ofstream(clip, std::ios::app) << "x"; }},
    };
    for (const auto& c : cases) {
        write("clip.mp4", "0123456789");
        fs::last_write_time(clip, t0);
        const auto unchanged = file_identity(clip.string());
        c.make();
        const auto changed = file_identity(clip.string());
        ASSERT_TRUE(changed) << c.change;
        EXPECT_NE(changed, unchanged) << c.change;
    }
}

TEST_F(FileIdentityTest, FollowsLinksAndKnowsOnlyRegularFiles)
{
    const fs::path clip = write("clip.mp4", "abc");
    fs::create_symlink(clip, root_ / "link.mp4");
    EXPECT_EQ(file_identity((root_ / "link.mp4").string()), file_identity(clip.string()));
    EXPECT_FALSE(file_identity((root_ / "missing.mp4").string()));
    EXPECT_FALSE(file_identity(root_.string())) << "a folder";
    EXPECT_FALSE(file_identity("")) << "no name";
    fs::create_symlink(root_ / "gone", root_ / "dangling");
    EXPECT_FALSE(file_identity((root_ / "dangling").string()));
}

TEST_F(FileIdentityTest, ProgramIsTheFileItsLinksResolveTo)
{
    const fs::path real = write("ffmpeg", "#!");
    fs::create_directories(root_ / "lib/calm");
    fs::create_symlink(real, root_ / "lib/calm/client.exe");
    const auto id = program_identity((root_ / "lib/calm/client.exe").string());
    ASSERT_TRUE(id);
    EXPECT_EQ(id->resolved_path, fs::canonical(real).string());

    // An upgrade brings a new file with a new time under the same name.
    fs::last_write_time(real, fs::last_write_time(real) + std::chrono::seconds(5));
    const auto upgraded = program_identity((root_ / "lib/calm/client.exe").string());
    ASSERT_TRUE(upgraded);
    EXPECT_NE(upgraded, id);
    EXPECT_EQ(upgraded->resolved_path, id->resolved_path);

    fs::remove(real);
    EXPECT_FALSE(program_identity((root_ / "lib/calm/client.exe").string())) << "dangling link";
    EXPECT_FALSE(program_identity(root_.string())) << "a folder";
}

} // namespace
} // namespace calm
