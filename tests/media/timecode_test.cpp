#include "media/numbers.h"
#include "media/timecode.h"

#include <clocale>
#include <cmath>
#include <gtest/gtest.h>

namespace calm {
namespace {

TEST(TimeCodes, SeekTexts)
{
    const struct
    {
        double seconds;
        const char* text;
    } cases[] = {
        {35.26, "00:00:35.26"},    {3725, "01:02:05.00"},     {5.5, "00:00:05.50"},
        {0, "00:00:00.00"},        {0.05, "00:00:00.05"},     {70.52, "00:01:10.52"},
        {86399.99, "23:59:59.99"}, {360000, "100:00:00.00"},  {0.125, "00:00:00.12"},
        {0.375, "00:00:00.38"},    {59.99, "00:00:59.99"},    {60, "00:01:00.00"},
        {59.999, "00:01:00.00"},   {3599.999, "01:00:00.00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(clock_from_seconds(c.seconds), c.text) << c.seconds;
}

TEST(TimeCodes, TimesBeyondTheExactRangeAreHeldAtItsEnd)
{
    // Past 2^53 seconds the minutes would overflow their integer.
    const double cases[] = {3.17266e183, HUGE_VAL, 9007199254740992.0};
    for (double seconds : cases)
        EXPECT_EQ(clock_from_seconds(seconds), "2501999792983:36:32.00") << seconds;
}

TEST(TimeCodes, EveryWholeHundredthKeepsItsFields)
{
    for (long k = 0; k < 400000; k += 7) {
        char want[32];
        std::snprintf(want, sizeof want, "%02ld:%02ld:%02ld.%02ld", k / 360000, (k / 6000) % 60,
                      (k % 6000) / 100, k % 100);
        ASSERT_EQ(clock_from_seconds(static_cast<double>(k) / 100), want) << k;
    }
}

TEST(TimeCodes, ClockTextsToSeconds)
{
    const struct
    {
        const char* text;
        double seconds;
    } cases[] = {{"00:01:10.52", 70.52}, {"01:02:05.00", 3725},   {"00:00:35.26", 35.26},
                 {"10:00:00", 36000},    {"00: 01:10.52", 70.52}, {" 00 : 01 : 10.52 ", 70.52}};
    for (const auto& c : cases)
        EXPECT_EQ(seconds_from_clock(c.text), c.seconds) << c.text;
    EXPECT_EQ(clock_from_seconds(seconds_from_clock("00:01:10.52")), "00:01:10.52");
}

TEST(TimeCodes, UnreadableClockTextsRaiseTheConversionError)
{
    const struct
    {
        const char* text;
        const char* message;
    } cases[] = {
        {"70.52", "'' is not a valid floating point value"},
        {"01:10.52", "'' is not a valid floating point value"},
        {"00:01:10:52", "'10:52' is not a valid floating point value"},
        {"00:01:10,52", "'10,52' is not a valid floating point value"},
        {"N/A", "'' is not a valid floating point value"},
    };
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    for (const auto& c : cases) {
        try {
            seconds_from_clock(c.text);
            ADD_FAILURE() << c.text;
        } catch (const ConversionError& e) {
            EXPECT_STREQ(e.what(), c.message) << c.text;
        }
    }
    EXPECT_EQ(seconds_from_clock("00:01:10.52"), 70.52);
    std::setlocale(LC_ALL, "C");
}

} // namespace
} // namespace calm
