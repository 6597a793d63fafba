#include "media/numbers.h"

#include <clocale>
#include <gtest/gtest.h>

namespace calm {
namespace {

TEST(Numbers, FloatReading)
{
    const struct
    {
        const char* text;
        long double value;
    } good[] = {{"0.3", 0.3L}, {" 70.52 ", 70.52L}, {"5.", 5}, {".5", 0.5L}, {"-1", -1},
                {"+2.5", 2.5L}, {"1e3", 1000}, {"00", 0}};
    for (const auto& g : good)
        EXPECT_EQ(read_float(g.text), g.value) << g.text;
    for (const char* bad : {"", " ", "1,5", "N/A", ".", "inf", "nan", "0x10", "1e", "1 2", "--1"}) {
        try {
            read_float(bad);
            ADD_FAILURE() << "accepted " << bad;
        } catch (const ConversionError& e) {
            EXPECT_EQ(e.what(), "'" + std::string(bad) + "' is not a valid floating point value");
        }
    }
}

TEST(Numbers, FloatReadingIgnoresTheLocale)
{
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    EXPECT_EQ(read_float("0.3"), 0.3L);
    EXPECT_THROW(read_float("0,3"), ConversionError);
    std::setlocale(LC_ALL, "C");
}

TEST(Numbers, WholeNumbers)
{
    const struct
    {
        const char* text;
        std::optional<std::int32_t> value;
    } cases[] = {
        {"1920", 1920},       {"  12", 12},          {"-5", -5},       {"+7", 7},
        {"$1F", 31},          {"0x1f", 31},          {"0x", {}},       {"12 ", {}},
        {"", {}},             {"1080 [SAR", {}},     {"2147483647", 2147483647},
        {"2147483648", {}},   {"-2147483648", INT32_MIN},              {"12a", {}},
        {"0x0000", 0},        {"1.5", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(whole_number(c.text), c.value) << c.text;
    EXPECT_EQ(read_integer("05"), 5);
    try {
        read_integer("abc");
        ADD_FAILURE();
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
}

TEST(Numbers, RoundingTiesGoToEven)
{
    EXPECT_EQ(round_half_even(214.5L), 214);
    EXPECT_EQ(round_half_even(215.5L), 216);
    EXPECT_EQ(round_half_even(241.3125L), 241);
    EXPECT_EQ(round_half_even(-0.5L), 0);
}

} // namespace
} // namespace calm
