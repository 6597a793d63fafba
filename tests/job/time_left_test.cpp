#include "job/time_left.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace calm {
namespace {

// Progress reports every half second at a steady rate, as the converter
// prints them.
void feed(TimeLeft& estimate, Pass pass, double from_wall, double to_wall, double from_media,
          double rate)
{
    for (double t = from_wall; t <= to_wall + 1e-9; t += 0.5)
        estimate.sample(t, pass, from_media + (t - from_wall) * rate);
}

TEST(TimeLeft, NothingUntilThePassHasReportedForTwoSeconds)
{
    TimeLeft estimate(60, true, 3);
    EXPECT_FALSE(estimate.seconds_left()) << "no report yet";
    feed(estimate, Pass::analysis, 10.0, 11.5, 0, 2);
    EXPECT_FALSE(estimate.seconds_left()) << "1.5 s of reports";
    estimate.sample(12.0, Pass::analysis, 4.0);
    EXPECT_TRUE(estimate.seconds_left()) << "2 s of reports";
}

TEST(TimeLeft, AnalysisCountsTheTransformStillToCome)
{
    struct Case
    {
        const char* shows;
        double cost;
        double expected;
    };
    // 60 s clip analysed at 2 clip seconds per second; after 6 s, 12 s of the
    // clip are done: 48 / 2 = 24 s of analysis left, then 60 * cost / 2.
    const Case cases[] = {
        {"the default ratio", 3, 24 + 90},
        {"a measured ratio", 1.5, 24 + 45},
        {"no plausible ratio: the default", -1, 24 + 90},
        {"not a number: the default", std::numeric_limits<double>::quiet_NaN(), 24 + 90},
    };
    for (const auto& c : cases) {
        TimeLeft estimate(60, true, c.cost);
        feed(estimate, Pass::analysis, 0, 6, 0, 2);
        ASSERT_TRUE(estimate.seconds_left()) << c.shows;
        EXPECT_NEAR(*estimate.seconds_left(), c.expected, 1e-6) << c.shows;
    }
}

TEST(TimeLeft, FollowsTheRecentRateNotTheAverageSinceTheStart)
{
    // 20 s at 1 clip second per second, then 6 s at 4: the average since the
    // start would be about 1.7; the last five seconds say 4.
    TimeLeft estimate(120, false, 3);
    feed(estimate, Pass::transform, 0, 20, 0, 1);
    feed(estimate, Pass::transform, 20.5, 26, 22, 4);
    ASSERT_TRUE(estimate.seconds_left());
    EXPECT_NEAR(*estimate.seconds_left(), (120 - 44) / 4.0, 1e-6);

    // And back down again.
    feed(estimate, Pass::transform, 26.5, 32.5, 44.5, 0.5);
    ASSERT_TRUE(estimate.seconds_left());
    EXPECT_NEAR(*estimate.seconds_left(), (120 - 47.5) / 0.5, 1e-6);
}

TEST(TimeLeft, TransformOnlyJobCountsItsOwnPassAlone)
{
    TimeLeft estimate(30, false, 3);
    feed(estimate, Pass::transform, 100, 101.5, 0, 0.5);
    EXPECT_FALSE(estimate.seconds_left()) << "no analysis rate to stand in";
    feed(estimate, Pass::transform, 102, 104, 1, 0.5);
    ASSERT_TRUE(estimate.seconds_left());
    EXPECT_NEAR(*estimate.seconds_left(), (30 - 2) / 0.5, 1e-6);
    // An analysis report in a job without analysis changes nothing.
    estimate.sample(104.5, Pass::analysis, 29);
    EXPECT_NEAR(*estimate.seconds_left(), (30 - 2) / 0.5, 1e-6);
}

TEST(TimeLeft, TheAnalysisRateStandsInEarlyInTheTransformPass)
{
    TimeLeft estimate(60, true, 3);
    feed(estimate, Pass::analysis, 0, 30, 0, 2); // analysed at 2x
    feed(estimate, Pass::transform, 31, 32, 0, 0.8);
    ASSERT_TRUE(estimate.seconds_left()) << "shown estimate does not vanish between the passes";
    // Expected transform speed 2 / 3 clip seconds per second.
    EXPECT_NEAR(*estimate.seconds_left(), (60 - 0.8) * 3 / 2, 1e-6);
    // Once the transform has its own two seconds, its own rate counts.
    estimate.sample(33, Pass::transform, 1.6);
    ASSERT_TRUE(estimate.seconds_left());
    EXPECT_NEAR(*estimate.seconds_left(), (60 - 1.6) / 0.8, 1e-6);
    // A late analysis report does not take the job back.
    estimate.sample(33.5, Pass::analysis, 60);
    EXPECT_NEAR(*estimate.seconds_left(), (60 - 1.6) / 0.8, 1e-6);
}

TEST(TimeLeft, OddReportsGiveNoNonsense)
{
    {
        TimeLeft stalled(60, false, 3);
        feed(stalled, Pass::transform, 0, 10, 5, 0);
        EXPECT_FALSE(stalled.seconds_left()) << "no progress over the window";
    }
    {
        TimeLeft beyond(10, false, 3);
        feed(beyond, Pass::transform, 0, 3, 9, 1);
        ASSERT_TRUE(beyond.seconds_left());
        EXPECT_EQ(*beyond.seconds_left(), 0) << "a time past the duration leaves nothing";
    }
    {
        TimeLeft zero(0, false, 3);
        feed(zero, Pass::transform, 0, 3, 0, 1);
        EXPECT_FALSE(zero.seconds_left()) << "no duration";
    }
    {
        TimeLeft back(60, false, 3);
        feed(back, Pass::transform, 0, 3, 0, 1);
        back.sample(1.0, Pass::transform, 50); // arrives out of order: ignored
        back.sample(3.5, Pass::transform, std::numeric_limits<double>::quiet_NaN());
        ASSERT_TRUE(back.seconds_left());
        EXPECT_NEAR(*back.seconds_left(), 57, 1e-6);
    }
}

TEST(TimeLeftText, RoundsToFiveSecondsThenToMinutes)
{
    struct Case
    {
        double seconds;
        const char* text;
    };
    const Case cases[] = {
        {0, "about 5 s left"},
        {2, "about 5 s left"},
        {7.4, "about 5 s left"},
        {7.5, "about 10 s left"},
        {12.4, "about 10 s left"},
        {12.5, "about 15 s left"},
        {40, "about 40 s left"},
        {42.4, "about 40 s left"},
        {42.5, "about 45 s left"},
        {57.4, "about 55 s left"},
        {57.5, "about 1 min left"},
        {60, "about 1 min left"},
        {89.9, "about 1 min left"},
        {90, "about 2 min left"},
        {180, "about 3 min left"},
        {209, "about 3 min left"},
        {3599, "about 60 min left"},
        {7200, "about 120 min left"},
        {-1, ""},
        {std::numeric_limits<double>::quiet_NaN(), ""},
        {std::numeric_limits<double>::infinity(), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(time_left_text(c.seconds), c.text) << c.seconds;
}

TEST(TransformCost, MeasuredFromTheWallTimesOfBothPasses)
{
    struct Case
    {
        const char* shows;
        double analysis;
        double transform;
        std::optional<double> cost;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"three times as long", 10, 30, 3.0},
        {"faster than the analysis", 20, 10, 0.5},
        {"an analysis under a second says little", 0.5, 30, std::nullopt},
        {"a transform under a second", 10, 0.5, std::nullopt},
        {"a pass that did not run", 10, 0, std::nullopt},
        {"absurdly slow", 1, 200, std::nullopt},
        {"not a number", nan, 30, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(measured_transform_cost(c.analysis, c.transform), c.cost) << c.shows;
}

} // namespace
} // namespace calm
