#include "app/main_window.h"
#include "app/program.h"
#include "fake_converter.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace calm {
namespace {

TEST(ProgramStart, FailedCheckTellsTheCodeAndCreatesNoWindow)
{
    struct Case
    {
        const char* shows;
        bool with_converter;
        std::string script;
        std::string message;
    };
    const Case cases[] = {
        {"converter missing", false, "", "Client program error! 002"},
        {"converter prints no banner", true, "on *\nout usage\\n\nexit 1\n",
         "Client program error! "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        test::FakeConverter fake(c.with_converter);
        fake.script(c.script);
        EXPECT_EQ(start(fake.env), nullptr);
        ASSERT_EQ(fake.dialogs.messages.size(), 1u);
        EXPECT_EQ(fake.dialogs.messages[0].text, c.message);
        EXPECT_EQ(fake.dialogs.messages[0].icon, Icon::none);
        EXPECT_EQ(qobject_cast<MainWindow*>(QApplication::activeWindow()), nullptr);
        for (auto* w : QApplication::topLevelWidgets())
            EXPECT_EQ(qobject_cast<MainWindow*>(w), nullptr);
    }
}

TEST(ProgramStart, GoodCheckCreatesTheMainWindow)
{
    test::FakeConverter fake;
    auto program = start(fake.env);
    ASSERT_NE(program, nullptr);
    EXPECT_TRUE(fake.dialogs.messages.empty());
    EXPECT_EQ(program->main->windowTitle(), QStringLiteral("Calmora 0.3.7"));
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("Calmora"));
    EXPECT_FALSE(program->main->isVisible());
}

} // namespace
} // namespace calm
