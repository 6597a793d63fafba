#include "media/video_extensions.h"

#include <gtest/gtest.h>

namespace calm {
namespace {

TEST(VideoExtensions, ExtensionTest)
{
    const struct
    {
        const char* path;
        bool passes;
    } cases[] = {
        {"/v/clip.mp4", true},  {"/v/clip.Mp4", true},   {"/v/clip.MTS", true},
        {"/v/clip.m", true},    {"/v/clip.", true},      {"/v/clip.mp", true},
        {"/v/clip.3gp", false}, {"/v/clip.peg", false},  {"/v/clip", false},
        {"/v.mp4/clip", false}, {"/v/notes.txt", false}, {"/v/a.mp4.txt", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(passes_extension_test(c.path), c.passes) << c.path;
}

TEST(VideoExtensions, ListedInOrder)
{
    const auto exts = listed_extensions();
    ASSERT_EQ(exts.size(), 14u);
    EXPECT_EQ(exts.front(), "AVI");
    EXPECT_EQ(exts.back(), "MTS");
    EXPECT_EQ(video_extensions.size(), 85u);
}

} // namespace
} // namespace calm
