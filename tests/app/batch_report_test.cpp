// What --fix prints while it works: lines on a terminal and in a log.

#include "app/batch_report.h"

#include <gtest/gtest.h>

namespace calm {
namespace {

ClipState clip(int number, const char* pass, int percent, const char* left = "")
{
    return ClipState{number, 40, "clip" + std::to_string(number) + ".mp4", pass, percent, left};
}

TEST(BatchReport, ProgressLineReadsAsTheUserSeesIt)
{
    EXPECT_EQ(progress_line(clip(2, "Transform", 57, "about 12 s left")),
              "[2/40] clip2.mp4  Transform  57%  about 12 s left");
    EXPECT_EQ(progress_line(clip(2, "Analyze", 3)), "[2/40] clip2.mp4  Analyze  3%");
    EXPECT_EQ(progress_line(clip(1, "", 0)), "[1/40] clip1.mp4");
    EXPECT_EQ(summary_line(2, 1, 0), "3 clips: 2 succeeded, 1 failed, 0 skipped");
    EXPECT_EQ(summary_line(1, 0, 0), "1 clip: 1 succeeded, 0 failed, 0 skipped");
}

TEST(BatchReport, OffATerminalEachTenPercentIsOneLine)
{
    std::string out;
    BatchReport report([&](const std::string& s) { out += s; }, false, false);
    for (int p : {0, 4, 9, 10, 15, 31, 31, 50})
        report.progress(clip(1, p < 50 ? "Analyze" : "Transform", p));
    report.failed(clip(1, "Transform", 50), "Assertion failed!");
    report.summary(0, 1, 0);
    EXPECT_EQ(out, "[1/40] clip1.mp4  Analyze  0%\n"
                   "[1/40] clip1.mp4  Analyze  10%\n"
                   "[1/40] clip1.mp4  Analyze  30%\n"
                   "[1/40] clip1.mp4  Transform  50%\n"
                   "clip1.mp4: Assertion failed!\n"
                   "1 clip: 0 succeeded, 1 failed, 0 skipped\n");
}

TEST(BatchReport, OnATerminalLiveLinesAreRewrittenInPlace)
{
    std::string out;
    BatchReport report([&](const std::string& s) { out += s; }, true, false);
    report.progress(clip(1, "Transform", 60));
    report.progress(clip(2, "Analyze", 10));
    out.clear();
    report.progress(clip(1, "Transform", 61));
    // Both live lines drawn anew from the first one.
    EXPECT_EQ(out, "\x1b[1A\x1b[1A\r\x1b[K[1/40] clip1.mp4  Transform  61%\n"
                   "\r\x1b[K[2/40] clip2.mp4  Analyze  10%\n");
    out.clear();
    report.succeeded(clip(1, "Transform", 100));
    EXPECT_EQ(out, "\x1b[1A\x1b[1A\r\x1b[K[1/40] clip1.mp4  Transform  100%  done\n"
                   "\r\x1b[K[2/40] clip2.mp4  Analyze  10%\n");
}

TEST(BatchReport, QuietTellsOnlyFailures)
{
    std::string out;
    BatchReport report([&](const std::string& s) { out += s; }, false, true);
    report.progress(clip(1, "Analyze", 50));
    report.succeeded(clip(1, "Transform", 100));
    report.summary(1, 0, 0);
    EXPECT_EQ(out, "");
    report.failed(clip(2, "", 0), "exists already; --overwrite replaces it");
    report.summary(1, 0, 1);
    EXPECT_EQ(out, "clip2.mp4: exists already; --overwrite replaces it\n"
                   "2 clips: 1 succeeded, 0 failed, 1 skipped\n");
}

} // namespace
} // namespace calm
