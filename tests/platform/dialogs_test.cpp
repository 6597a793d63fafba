#include "platform/dialogs.h"
#include "platform/error_report.h"
#include "recording_dialogs.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace calm {
namespace {

TEST(Dialogs, DefaultExtensionOnlyForANameWithout)
{
    const struct
    {
        const char* name;
        const char* ext;
        const char* gives;
    } cases[] = {
        {"/v/out", "mp4", "/v/out.mp4"},
        {"/v/out.mkv", "mp4", "/v/out.mkv"},
        {"/v.d/out", "Mp4", "/v.d/out.Mp4"},
        {"/v/out", "", "/v/out"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(with_default_extension(c.name, c.ext), c.gives) << c.name;
}

TEST(Dialogs, FilterPairs)
{
    const auto pairs = filter_pairs("*.MP4|*.mp4|*.AVI|*.avi|");
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[1], (std::pair<std::string, std::string>{"*.AVI", "*.avi"}));
}

TEST(ErrorReport, ShowsTheErrorWithAFullStopAndGoesOn)
{
    test::RecordingDialogs d;
    guarded(d, [] { throw std::runtime_error("'x' is not a valid integer value"); });
    guarded(d, [] { throw std::runtime_error("Ends already."); });
    guarded(d, [] {});
    ASSERT_EQ(d.messages.size(), 2u);
    EXPECT_EQ(d.messages[0].text, "'x' is not a valid integer value.");
    EXPECT_EQ(d.messages[0].caption, "Calmora");
    EXPECT_EQ(d.messages[0].icon, Icon::error);
    EXPECT_EQ(d.messages[1].text, "Ends already.");
}

} // namespace
} // namespace calm
