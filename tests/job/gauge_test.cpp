#include "platform/gauge.h"

#include <QImage>
#include <gtest/gtest.h>

namespace calm {
namespace {

TEST(Gauge, ClampsEveryValueAndShowsTheIntegerPercent)
{
    struct Case
    {
        const char* shows;
        int minimum, maximum, value;
        int progress, percent;
        const char* text;
    };
    const Case cases[] = {
        {"a value inside the range", 0, 100, 51, 51, 51, "51%"},
        {"a negative value is held at the minimum", 0, 100, -40, 0, 0, "0%"},
        {"a value beyond the maximum is held there", 0, 100, 150, 100, 100, "100%"},
        {"the percent is the integer part, not rounded", 0, 3, 2, 2, 66, "66%"},
        {"the percent counts from the minimum", 10, 20, 15, 15, 50, "50%"},
    };
    for (const auto& c : cases) {
        Gauge g;
        g.set_range(c.minimum, c.maximum);
        g.set_progress(c.value);
        EXPECT_EQ(g.progress(), c.progress) << c.shows;
        EXPECT_EQ(g.percent(), c.percent) << c.shows;
        EXPECT_EQ(g.text().toStdString(), c.text) << c.shows;
    }
}

TEST(Gauge, PaintsAGreenBarOnWhiteInsideABorder)
{
    Gauge g;
    g.resize(325, 19);
    g.set_progress(50);
    QImage image(g.size(), QImage::Format_RGB32);
    g.render(&image);
    EXPECT_EQ(image.pixelColor(0, 9), QColor(Qt::black)) << "border";
    EXPECT_EQ(image.pixelColor(5, 9), QColor(0, 128, 0)) << "done part";
    EXPECT_EQ(image.pixelColor(318, 9), QColor(Qt::white)) << "part to go";
    g.set_progress(100);
    image.fill(Qt::red);
    g.render(&image);
    EXPECT_EQ(image.pixelColor(318, 9), QColor(0, 128, 0)) << "full bar";
}

} // namespace
} // namespace calm
