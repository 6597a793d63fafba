#include "fake_converter.h"
#include "platform/image_view.h"
#include "platform/slider.h"

#include <QImage>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace calm {
namespace {

TEST(Slider, StepsFromTheNearestMultipleOfTheIncrement)
{
    const struct
    {
        int value, direction, min, max, gives;
    } cases[] = {
        {0, 1, 0, 100, 10},        {3526, 1, 0, 7052, 3540}, {3526, -1, 0, 7052, 3520},
        {3524, -1, 0, 7052, 3510}, {0, -1, 0, 100, 0},       {7050, 1, 0, 7052, 7052},
        {7052, 1, 0, 7052, 7052},
    };
    for (const auto& c : cases)
        EXPECT_EQ(stepped_value(c.value, c.direction, 10, c.min, c.max), c.gives) << c.value;
}

TEST(Slider, RangeFromCodeRaisesNothingAndRefusesAnEmptyRange)
{
    Slider s;
    QSignalSpy spy(&s, &Slider::changed);
    s.set_maximum(7052);
    s.setValue(3526);
    EXPECT_EQ(s.maximum(), 7052);
    s.set_maximum(0);
    EXPECT_EQ(s.maximum(), 7052);
    EXPECT_EQ(spy.count(), 0);
}

TEST(Slider, EachHandledKeyIsOneFinishedGesture)
{
    const struct
    {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int from, gives, signals_;
    } cases[] = {
        {Qt::Key_Right, Qt::NoModifier, 50, 60, 1}, {Qt::Key_Left, Qt::NoModifier, 54, 40, 1},
        {Qt::Key_Home, Qt::NoModifier, 0, 0, 1}, // raised although nothing moved
        {Qt::Key_End, Qt::NoModifier, 5, 100, 1},   {Qt::Key_Right, Qt::ShiftModifier, 50, 50, 0},
        {Qt::Key_Up, Qt::NoModifier, 50, 50, 0},    {Qt::Key_PageUp, Qt::NoModifier, 50, 50, 0},
    };
    for (const auto& c : cases) {
        Slider s;
        s.resize(431, 30);
        s.setValue(c.from);
        QSignalSpy spy(&s, &Slider::changed);
        QTest::keyClick(&s, c.key, c.mods);
        EXPECT_EQ(s.value(), c.gives) << c.key;
        EXPECT_EQ(spy.count(), c.signals_) << c.key;
    }
}

TEST(Slider, TrackPressStepsTowardThePointerAndReportsOnRelease)
{
    Slider s;
    s.resize(431, 30);
    s.show();
    QSignalSpy spy(&s, &Slider::changed);
    const QPoint right_end(425, 15);
    QTest::mousePress(&s, Qt::LeftButton, {}, right_end);
    EXPECT_EQ(s.value(), 10);
    EXPECT_EQ(spy.count(), 0);
    QTest::qWait(900); // two repeats of 400 ms
    EXPECT_EQ(s.value(), 30);
    QTest::mouseRelease(&s, Qt::LeftButton, {}, right_end);
    EXPECT_EQ(spy.count(), 1);
    const int after = s.value();
    QTest::qWait(500);
    EXPECT_EQ(s.value(), after);
}

TEST(Slider, DragOfTheThumbReportsOnceOnRelease)
{
    Slider s;
    s.resize(431, 30);
    s.show();
    QSignalSpy spy(&s, &Slider::changed);
    const QPoint thumb(6, 15); // value 0: the thumb sits at the left end
    QTest::mousePress(&s, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(&s, QPoint(200, 15));
    QTest::mouseMove(&s, QPoint(215, 15));
    EXPECT_EQ(spy.count(), 0);
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(215, 15));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_GT(s.value(), 30);
}

TEST(ImageView, LoadsFitsAndRefusesWhatItCannotOpen)
{
    test::FakeConverter tmp;
    const auto bmp = (tmp.root() / "frame.bmp").string();
    QImage img(858, 482, QImage::Format_RGB888);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(QString::fromStdString(bmp), "BMP"));

    ImageView view;
    view.resize(429, 143);
    EXPECT_FALSE(view.has_image());
    view.load(bmp);
    EXPECT_TRUE(view.has_image());
    EXPECT_EQ(view.image().size(), QSize(858, 482));
    EXPECT_THROW(view.load((tmp.root() / "missing.bmp").string()), std::runtime_error);
    EXPECT_TRUE(view.has_image()); // a failed load keeps the last frame

    // Fitted with the aspect kept, scaled up or down.
    EXPECT_EQ(fitted_rect({429, 241}, {429, 143}), QRect(87, 0, 254, 143));
    EXPECT_EQ(fitted_rect({100, 10}, {429, 143}).width(), 429);
    EXPECT_EQ(fitted_rect({429, 763}, {429, 143}).height(), 143);
}

TEST(ImageView, DropsOfLocalFilesArriveInOrder)
{
    ImageView view;
    view.resize(429, 143);
    std::vector<std::string> got;
    view.on_drop = [&](const std::vector<std::string>& files) { got = files; };
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QStringLiteral("/v/a.mp4")),
                  QUrl(QStringLiteral("https://example.org/x.mp4")),
                  QUrl::fromLocalFile(QStringLiteral("/v/b c.mkv"))});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    view.show();
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QCoreApplication::sendEvent(&view, &drop);
    EXPECT_EQ(got, (std::vector<std::string>{"/v/a.mp4", "/v/b c.mkv"}));
}

} // namespace
} // namespace calm
