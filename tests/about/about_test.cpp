#include "about/about_dialog.h"
#include "child.h"
#include "fake_converter.h"

#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using calm::test::child;

namespace calm {
namespace {

TEST(About, ShowsTheYearAtEachShowingAndOpensBothLinks)
{
    test::FakeConverter fake;
    std::vector<std::string> opened;
    fake.env.open_address = [&](const std::string& a) { opened.push_back(a); };
    AboutDialog about(fake.env);
    about.show();
    const QString year = QDate::currentDate().toString(QStringLiteral("yyyy"));
    EXPECT_TRUE(child<QLabel>(about, "maker_label")->text().endsWith(QLatin1Char(' ') + year));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.size(), QSize(387, 140));
    EXPECT_TRUE(child<QPushButton>(about, "ok_button")->isDefault());

    QTest::mouseClick(child<QLabel>(about, "web_site_label"), Qt::LeftButton);
    QTest::mouseClick(child<QLabel>(about, "support_mail_label"), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], child<QLabel>(about, "web_site_label")->text().toStdString());
    EXPECT_EQ(opened[1],
              "mailto:" + child<QLabel>(about, "support_mail_label")->text().toStdString());

    QTest::keyClick(&about, Qt::Key_Return);
    EXPECT_FALSE(about.isVisible());
}

} // namespace
} // namespace calm
