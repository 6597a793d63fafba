#include "about/p_about.h"
#include "fake_converter.h"

#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace calm {
namespace {

TEST(About, ShowsTheYearAtEachShowingAndOpensBothLinks)
{
    test::FakeConverter fake;
    std::vector<std::string> opened;
    fake.env.open_address = [&](const std::string& a) { opened.push_back(a); };
    Tabout about(fake.env);
    about.show();
    const QString year = QDate::currentDate().toString(QStringLiteral("yyyy"));
    EXPECT_TRUE(about.Label3->text().endsWith(QLatin1Char(' ') + year));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.size(), QSize(387, 140));
    EXPECT_TRUE(about.Button1->isDefault());

    QTest::mouseClick(about.Label5, Qt::LeftButton);
    QTest::mouseClick(about.Label2, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], about.Label5->text().toStdString());
    EXPECT_EQ(opened[1], "mailto:" + about.Label2->text().toStdString());

    QTest::keyClick(&about, Qt::Key_Return);
    EXPECT_FALSE(about.isVisible());
}

} // namespace
} // namespace calm
