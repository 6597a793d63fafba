#include "child.h"
#include "settings/options_dialog.h"

#include "fake_converter.h"
#include "settings/parameter_rules.h"
#include "settings/settings_file.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

using calm::test::child;

namespace calm {
namespace {

// The real window, shown and active, with the recording dialogs.
struct OptionsWindow : ::testing::Test
{
    test::FakeConverter fake{false};
    OptionsDialog options{fake.env};

    void SetUp() override
    {
        options.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&options));
        ASSERT_EQ(QApplication::focusWidget(), child<QPushButton>(options, "ok_button"));
    }

    QLineEdit* edit(const std::string& key)
    {
        return options.findChild<QLineEdit*>(QString::fromStdString(key + "_edit"));
    }

    // Sets one text the way the settings file does: unfiltered, not cut.
    void put(const std::string& key, const std::string& text)
    {
        Parameters p = options.parameters();
        for (const auto& rule : parameter_rules)
            if (rule.key == key)
                p.*rule.text = text;
        if (key == zoom_rule.key)
            p.zoom = text;
        options.set_parameters(p);
    }

    // Passing texts everywhere, then the focus on "OK", so that a row starts
    // without a check left to run.
    void reset()
    {
        options.set_parameters({});
        child<QPushButton>(options, "ok_button")->setFocus();
        fake.dialogs.messages.clear();
    }

    std::string text_of(const std::string& key) { return edit(key)->text().toStdString(); }

    void show_borders_page()
    {
        auto* pages = child<QTabWidget>(options, "pages");
        pages->setCurrentWidget(child<QWidget>(options, "borders_page"));
    }

    // Tab from the focused control visits these in turn, and no check complains.
    void expect_tab_order(const std::vector<QWidget*>& order)
    {
        for (QWidget* expected : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            EXPECT_EQ(QApplication::focusWidget(), expected)
                << expected->objectName().toStdString();
        }
        EXPECT_TRUE(fake.dialogs.messages.empty());
    }

    void expect_defaults(const char* what)
    {
        const Parameters p = options.parameters();
        EXPECT_EQ(p.shakiness, "5") << what;
        EXPECT_EQ(p.accuracy, "15") << what;
        EXPECT_EQ(p.stepsize, "6") << what;
        EXPECT_EQ(p.mincontrast, "0.3") << what;
        EXPECT_EQ(p.smoothing, "10") << what;
    }
};

TEST_F(OptionsWindow, KeyFiltersLetInWhatEachParameterTakes)
{
    struct Case
    {
        const char* what;
        std::string key;
        std::string start;
        int cursor; // -1 selects the whole text
        const char* typed;
        std::string after;
    };
    const Case cases[] = {
        {"shakiness takes digits only", "shakiness", "", 0, "a1-, .\t2", "12"},
        {"shakiness stops at two characters", "shakiness", "", 0, "123", "12"},
        {"accuracy takes digits only", "accuracy", "", 0, "9z+9", "99"},
        {"stepsize stops at 999", "stepsize", "", 0, "9999", "999"},
        {"smoothing takes no minus", "smoothing", "", 0, "-15", "15"},
        {"mincontrast takes one dot", "mincontrast", "", 0, "0.3.5", "0.35"},
        {"mincontrast: no second dot before the first", "mincontrast", ".5", 0, ".", ".5"},
        {"mincontrast: no dot over a selection holding the only dot", "mincontrast", "0.3", -1, ".",
         "0.3"},
        {"mincontrast: a dot over a selection without one", "mincontrast", "12", -1, ".", "."},
        {"mincontrast takes no comma, letter or blank", "mincontrast", "", 0, "1,e 5", "15"},
        {"mincontrast stops at four characters", "mincontrast", "", 0, "0.12345", "0.12"},
    };
    for (const auto& c : cases) {
        reset();
        QLineEdit* e = edit(c.key);
        e->setFocus();
        e->setText(QString::fromStdString(c.start));
        if (c.cursor < 0)
            e->selectAll();
        else
            e->setCursorPosition(c.cursor);
        QTest::keyClicks(e, QString::fromUtf8(c.typed));
        EXPECT_EQ(text_of(c.key), c.after) << c.what;
    }
}

TEST_F(OptionsWindow, KeysThatEditOrMoveStillWork)
{
    struct Case
    {
        const char* what;
        std::string key;
        std::string start;
        int cursor;
        Qt::Key pressed;
        Qt::KeyboardModifiers modifiers;
        std::string after;
    };
    const Case cases[] = {
        {"backspace removes", "shakiness", "15", 2, Qt::Key_Backspace, Qt::NoModifier, "1"},
        {"backspace removes the dot", "mincontrast", "0.3", 2, Qt::Key_Backspace, Qt::NoModifier,
         "03"},
        {"delete removes", "mincontrast", "0.3", 0, Qt::Key_Delete, Qt::NoModifier, ".3"},
        {"home moves before typing", "accuracy", "2", 1, Qt::Key_Home, Qt::NoModifier, "2"},
    };
    for (const auto& c : cases) {
        reset();
        QLineEdit* e = edit(c.key);
        e->setFocus();
        e->setText(QString::fromStdString(c.start));
        e->setCursorPosition(c.cursor);
        QTest::keyClick(e, c.pressed, c.modifiers);
        EXPECT_EQ(text_of(c.key), c.after) << c.what;
        if (c.pressed == Qt::Key_Home) {
            EXPECT_EQ(e->cursorPosition(), 0) << c.what;
        }
    }
}

TEST_F(OptionsWindow, OnlyThePasteFromTheMenuGoesAroundTheFilter)
{
    QApplication::clipboard()->setText(QStringLiteral("-1"));
    QLineEdit* e = edit("smoothing");
    e->setFocus();
    e->clear();
    QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text_of("smoothing"), "") << "Ctrl+V types a control character";
    // Some platforms give Ctrl+V no text at all; it is the same control character.
    QKeyEvent textless(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QString());
    QApplication::sendEvent(e, &textless);
    EXPECT_EQ(text_of("smoothing"), "") << "Ctrl+V without text";
    e->paste(); // what the context menu's Paste does
    EXPECT_EQ(text_of("smoothing"), "-1");
    QTest::keyClick(e, Qt::Key_Tab);
    ASSERT_EQ(fake.dialogs.message_texts(),
              std::vector<std::string>{"Smoothing accepts an integer more than -1 !"});
    EXPECT_EQ(QApplication::focusWidget(), e);
}

TEST_F(OptionsWindow, LeaveChecksReplaceBlanksAndRefuseValuesOutOfRange)
{
    struct Case
    {
        const char* what;
        std::string key;
        std::string text;
        std::string after;
        std::string message; // empty: none
    };
    const std::string shakiness = "Shakiness accepts an integer in the range 1-10 !";
    const std::string accuracy = "Accuracy accepts an integer in the range 1-15 !";
    const std::string stepsize = "Stepsize accepts an integer more than 0 !";
    const std::string mincontrast = "Mincontrast accepts a floating point value in the range 0-1 !";
    const std::string smoothing = "Smoothing accepts an integer more than -1 !";
    const Case cases[] = {
        {"empty shakiness becomes 1", "shakiness", "", "1", ""},
        {"blank shakiness becomes 1", "shakiness", "  ", "1", ""},
        {"empty accuracy becomes 1", "accuracy", "", "1", ""},
        {"empty stepsize becomes 1", "stepsize", "", "1", ""},
        {"empty mincontrast becomes 0", "mincontrast", "", "0", ""},
        {"blank smoothing becomes 0", "smoothing", "\t ", "0", ""},
        {"shakiness 0 is refused", "shakiness", "0", "0", shakiness},
        {"shakiness 11 is refused", "shakiness", "11", "11", shakiness},
        {"shakiness 1 passes", "shakiness", "1", "1", ""},
        {"shakiness 10 passes", "shakiness", "10", "10", ""},
        {"shakiness 05 passes and stays 05", "shakiness", "05", "05", ""},
        {"a leading blank is read and kept", "shakiness", " 7", " 7", ""},
        {"accuracy 15 passes", "accuracy", "15", "15", ""},
        {"accuracy 16 is refused", "accuracy", "16", "16", accuracy},
        {"stepsize 0 is refused", "stepsize", "0", "0", stepsize},
        {"stepsize 00 is refused", "stepsize", "00", "00", stepsize},
        {"stepsize 000 is refused", "stepsize", "000", "000", stepsize},
        {"stepsize 999 passes", "stepsize", "999", "999", ""},
        {"mincontrast 1 passes", "mincontrast", "1", "1", ""},
        {"mincontrast 1.0 passes", "mincontrast", "1.0", "1.0", ""},
        {"mincontrast 0 passes", "mincontrast", "0", "0", ""},
        {"mincontrast .5 passes", "mincontrast", ".5", ".5", ""},
        {"mincontrast 0.3 passes", "mincontrast", "0.3", "0.3", ""},
        {"mincontrast 1.01 is refused", "mincontrast", "1.01", "1.01", mincontrast},
        {"mincontrast 5. is refused", "mincontrast", "5.", "5.", mincontrast},
        {"mincontrast . alone is refused", "mincontrast", ".", ".", mincontrast},
        {"smoothing 0 passes", "smoothing", "0", "0", ""},
        {"smoothing 999 passes", "smoothing", "999", "999", ""},
        {"smoothing -1 is refused", "smoothing", "-1", "-1", smoothing},
    };
    for (const auto& c : cases) {
        reset();
        put(c.key, c.text);
        QLineEdit* e = edit(c.key);
        e->setFocus();
        QTest::keyClick(e, Qt::Key_Tab);
        EXPECT_EQ(text_of(c.key), c.after) << c.what;
        if (c.message.empty()) {
            EXPECT_TRUE(fake.dialogs.messages.empty()) << c.what;
            EXPECT_NE(QApplication::focusWidget(), e) << c.what << ": the focus moves on";
            continue;
        }
        ASSERT_EQ(fake.dialogs.messages.size(), 1u) << c.what;
        const auto& shown = fake.dialogs.messages[0];
        EXPECT_EQ(shown.text, c.message) << c.what;
        EXPECT_EQ(shown.caption, "") << c.what;
        EXPECT_EQ(shown.icon, Icon::error) << c.what;
        EXPECT_EQ(shown.owner, &options) << c.what;
        EXPECT_EQ(QApplication::focusWidget(), e) << c.what << ": the focus comes back";
    }
}

TEST_F(OptionsWindow, TextsThatAreNoNumberReachTheErrorReport)
{
    struct Case
    {
        const char* what;
        std::string key;
        std::string text;
        std::string report;
    };
    const Case cases[] = {
        {"letters in shakiness, as from the settings file", "shakiness", "abc",
         "'abc' is not a valid integer value."},
        {"a trailing blank in stepsize, as from a paste", "stepsize", "4 ",
         "'4 ' is not a valid integer value."},
        {"letters in mincontrast", "mincontrast", "x", "'x' is not a valid floating point value."},
    };
    for (const auto& c : cases) {
        reset();
        put(c.key, c.text);
        QLineEdit* e = edit(c.key);
        e->setFocus();
        QTest::keyClick(e, Qt::Key_Tab);
        ASSERT_EQ(fake.dialogs.messages.size(), 1u) << c.what;
        EXPECT_EQ(fake.dialogs.messages[0].text, c.report) << c.what;
        EXPECT_EQ(fake.dialogs.messages[0].caption, "Calmora") << c.what;
        EXPECT_EQ(fake.dialogs.messages[0].icon, Icon::error) << c.what;
        EXPECT_EQ(text_of(c.key), c.text) << c.what << ": the text stays";
        EXPECT_NE(QApplication::focusWidget(), e) << c.what << ": the focus is not put back";
    }
}

TEST_F(OptionsWindow, AClickWhoseLeaveCheckFailsDoesNotActOnTheButton)
{
    struct Case
    {
        const char* what;
        bool ok; // else "Default"
        std::string shakiness;
        std::string message; // empty: none
        bool acts;
    };
    const Case cases[] = {
        {"Default over a refused value", false, "11",
         "Shakiness accepts an integer in the range 1-10 !", false},
        {"Default over letters", false, "abc", "'abc' is not a valid integer value.", false},
        {"Default over a passing value", false, "7", "", true},
        {"OK over a refused value", true, "0", "Shakiness accepts an integer in the range 1-10 !",
         false},
        {"OK over a passing value", true, "7", "", true},
    };
    for (const auto& c : cases) {
        options.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&options)) << c.what;
        reset();
        options.set_parameters({"5", "3", "2", "0.9", "1"});
        put("shakiness", c.shakiness);
        edit("shakiness")->setFocus();
        QPushButton* button = c.ok ? child<QPushButton>(options, "ok_button")
                                   : child<QPushButton>(options, "default_button");
        QTest::mouseClick(button, Qt::LeftButton);
        if (c.message.empty())
            EXPECT_TRUE(fake.dialogs.messages.empty()) << c.what;
        else
            EXPECT_EQ(fake.dialogs.message_texts(), std::vector<std::string>{c.message}) << c.what;
        if (c.ok) {
            EXPECT_EQ(options.isVisible(), !c.acts) << c.what;
        } else {
            EXPECT_EQ(options.parameters().accuracy, c.acts ? "15" : "3") << c.what;
            EXPECT_EQ(text_of("shakiness"), c.acts ? "5" : c.shakiness) << c.what;
        }
    }
}

TEST_F(OptionsWindow, DefaultSetsTheFiveDefaultsOverValuesFromTheFile)
{
    struct Case
    {
        const char* what;
        const char* focus; // an edit holding a passing value, or the button itself
    };
    const Case cases[] = {
        {"the focus on the button", nullptr},
        {"the focus in an edit whose value passes", "accuracy"},
    };
    for (const auto& c : cases) {
        reset();
        const std::string path = settings_path(fake.program_folder());
        test::write_file(path, "[options]\nshakiness=abc\naccuracy=12\nstepsize=0\n"
                               "mincontrast=0.123456\nsmoothing=-1\n");
        load_settings(options, path);
        if (c.focus)
            edit(c.focus)->setFocus();
        else
            child<QPushButton>(options, "default_button")->setFocus();
        QTest::mouseClick(child<QPushButton>(options, "default_button"), Qt::LeftButton);
        EXPECT_TRUE(fake.dialogs.messages.empty()) << c.what;
        expect_defaults(c.what);
        EXPECT_TRUE(options.isVisible()) << c.what;
        EXPECT_EQ(test::read_file(path).find("shakiness=abc") != std::string::npos, true)
            << c.what << ": the file is not written";
    }
}

TEST_F(OptionsWindow, TheCloseBoxClosesWithARefusedText)
{
    QLineEdit* e = edit("shakiness");
    e->setFocus();
    e->setText(QStringLiteral("0"));
    options.close();
    EXPECT_FALSE(options.isVisible());
    EXPECT_TRUE(fake.dialogs.messages.empty());
    EXPECT_EQ(options.parameters().shakiness, "0") << "in force for the job and the save";
}

TEST_F(OptionsWindow, EnterAndEscapePressNoButton)
{
    options.set_parameters({"7", "3", "2", "0.9", "1"});
    for (QWidget* focus : std::initializer_list<QWidget*>{
             child<QPushButton>(options, "ok_button"),
             child<QPushButton>(options, "default_button"), edit("accuracy")}) {
        focus->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(focus, key);
        EXPECT_TRUE(options.isVisible()) << focus->objectName().toStdString();
        EXPECT_EQ(options.parameters().shakiness, "7") << focus->objectName().toStdString();
    }
    EXPECT_EQ(options.parameters().accuracy, "3");
}

TEST_F(OptionsWindow, TabVisitsTheButtonsThenThePageThenTheEditsWithSmoothingThird)
{
    QWidget* tab = child<QTabWidget>(options, "pages")->findChild<QTabBar*>();
    const std::vector<QWidget*> order = {
        child<QPushButton>(options, "default_button"), tab,
        child<QLineEdit>(options, "shakiness_edit"),   child<QLineEdit>(options, "accuracy_edit"),
        child<QLineEdit>(options, "smoothing_edit"),   child<QLineEdit>(options, "stepsize_edit"),
        child<QLineEdit>(options, "mincontrast_edit"), child<QPushButton>(options, "ok_button")};
    expect_tab_order(order);
}

TEST_F(OptionsWindow, AnOverLongTextStaysWholeWhileTypingIsLimited)
{
    put("mincontrast", "0.123456");
    QLineEdit* e = edit("mincontrast");
    EXPECT_EQ(text_of("mincontrast"), "0.123456");
    e->setFocus();
    e->end(false);
    QTest::keyClicks(e, QStringLiteral("7"));
    EXPECT_EQ(text_of("mincontrast"), "0.123456") << "no room to type more";
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(e, Qt::Key_Backspace);
    EXPECT_EQ(text_of("mincontrast"), "0.1");
    QTest::keyClicks(e, QStringLiteral("2345"));
    EXPECT_EQ(text_of("mincontrast"), "0.12") << "the limit of four is back";
    e->setCursorPosition(1);
    QTest::keyClick(e, Qt::Key_Backspace);
    EXPECT_EQ(e->cursorPosition(), 0) << "editing inside keeps the cursor";
}

TEST_F(OptionsWindow, IsAFixedDialogWithTwoPagesAndTwoPlainButtons)
{
    EXPECT_EQ(options.windowTitle(), QStringLiteral("Options"));
    EXPECT_EQ(options.size(), QSize(440, 488));
    EXPECT_EQ(options.minimumSize(), options.maximumSize());
    ASSERT_EQ(child<QTabWidget>(options, "pages")->count(), 2);
    EXPECT_EQ(child<QTabWidget>(options, "pages")->tabText(0), QStringLiteral("General"));
    EXPECT_EQ(child<QTabWidget>(options, "pages")->tabText(1), QStringLiteral("Borders"));
    EXPECT_EQ(child<QTabWidget>(options, "pages")->currentIndex(), 0) << "General comes first";
    EXPECT_EQ(child<QPushButton>(options, "default_button")->text(), QStringLiteral("Default"));
    EXPECT_EQ(child<QPushButton>(options, "ok_button")->text(), QStringLiteral("OK"));
    EXPECT_LT(child<QPushButton>(options, "default_button")->x(),
              child<QPushButton>(options, "ok_button")->x());
    EXPECT_GT(child<QPushButton>(options, "ok_button")->y(),
              child<QTabWidget>(options, "pages")->geometry().bottom());
    for (QPushButton* b : {child<QPushButton>(options, "ok_button"),
                           child<QPushButton>(options, "default_button")}) {
        EXPECT_EQ(b->size(), QSize(92, 28));
        EXPECT_FALSE(b->isDefault());
        EXPECT_FALSE(b->autoDefault());
    }
}

TEST_F(OptionsWindow, ARefusedEditDoesNotCheckTheEditTheFocusBrieflyReached)
{
    options.set_parameters({"0", "16", "6", "0.3", "10"});
    child<QLineEdit>(options, "shakiness_edit")->setFocus();
    QTest::keyClick(child<QLineEdit>(options, "shakiness_edit"), Qt::Key_Tab);
    EXPECT_EQ(fake.dialogs.message_texts(),
              std::vector<std::string>{"Shakiness accepts an integer in the range 1-10 !"});
    EXPECT_EQ(QApplication::focusWidget(), child<QLineEdit>(options, "shakiness_edit"));
}

TEST_F(OptionsWindow, AClickOnThePagesTabEndsTheEdit)
{
    options.set_parameters({"5", "15", "0", "0.3", "10"});
    child<QLineEdit>(options, "stepsize_edit")->setFocus();
    auto* tab = child<QTabWidget>(options, "pages")->findChild<QTabBar*>();
    QTest::mouseClick(tab, Qt::LeftButton, {}, tab->tabRect(0).center());
    EXPECT_EQ(fake.dialogs.message_texts(),
              std::vector<std::string>{"Stepsize accepts an integer more than 0 !"});
    EXPECT_EQ(QApplication::focusWidget(), child<QLineEdit>(options, "stepsize_edit"));
}

TEST_F(OptionsWindow, TheZoomTakesDigitsAndOneLeadingMinus)
{
    struct Case
    {
        const char* what;
        std::string start;
        int cursor; // -1 selects the whole text
        const char* typed;
        std::string after;
    };
    const Case cases[] = {
        {"a minus in front, then digits", "", 0, "-15", "-15"},
        {"no minus after a digit", "", 0, "1-5", "15"},
        {"no second minus", "", 0, "--5", "-5"},
        {"stops at four characters", "", 0, "-1000", "-100"},
        {"a minus put in front of digits", "25", 0, "-", "-25"},
        {"no minus behind a digit", "25", 1, "-", "25"},
        {"no digit in front of the minus", "-5", 0, "3", "-5"},
        {"a digit behind the minus", "-5", 1, "3", "-35"},
        {"a minus over a selection holding the minus", "-5", -1, "-", "-"},
        {"no dot, comma, plus, letter or blank", "", 0, ".,+e 7", "7"},
    };
    show_borders_page();
    for (const auto& c : cases) {
        reset();
        QLineEdit* e = edit("zoom");
        e->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), e) << c.what;
        e->setText(QString::fromStdString(c.start));
        if (c.cursor < 0)
            e->selectAll();
        else
            e->setCursorPosition(c.cursor);
        QTest::keyClicks(e, QString::fromUtf8(c.typed));
        EXPECT_EQ(text_of("zoom"), c.after) << c.what;
    }
}

TEST_F(OptionsWindow, TheZoomsLeaveCheckNamesTheRangeAndKeepsTheFocus)
{
    struct Case
    {
        const char* what;
        std::string text;
        std::string after;
        bool refused;
    };
    const Case cases[] = {
        {"empty becomes 0", "", "0", false},         {"-100 passes", "-100", "-100", false},
        {"100 passes", "100", "100", false},         {"-0 passes", "-0", "-0", false},
        {"101 is refused", "101", "101", true},      {"-101 is refused", "-101", "-101", true},
        {"a lone minus is refused", "-", "-", true},
    };
    show_borders_page();
    for (const auto& c : cases) {
        reset();
        put("zoom", c.text);
        QLineEdit* e = edit("zoom");
        e->setFocus();
        QTest::keyClick(e, Qt::Key_Tab);
        EXPECT_EQ(text_of("zoom"), c.after) << c.what;
        if (!c.refused) {
            EXPECT_TRUE(fake.dialogs.messages.empty()) << c.what;
            EXPECT_EQ(QApplication::focusWidget(), child<QComboBox>(options, "optzoom_choice"))
                << c.what << ": the focus moves on";
            continue;
        }
        ASSERT_EQ(fake.dialogs.messages.size(), 1u) << c.what;
        EXPECT_EQ(fake.dialogs.messages[0].text,
                  "Zoom accepts an integer in the range -100 to 100 !")
            << c.what;
        EXPECT_EQ(fake.dialogs.messages[0].caption, "") << c.what;
        EXPECT_EQ(fake.dialogs.messages[0].icon, Icon::error) << c.what;
        EXPECT_EQ(QApplication::focusWidget(), e) << c.what << ": the focus comes back";
    }
}

TEST_F(OptionsWindow, TheBordersPageOffersOnlyTheValuesOfEachChoice)
{
    auto* optzoom = child<QComboBox>(options, "optzoom_choice");
    auto* crop = child<QComboBox>(options, "crop_choice");
    auto* tripod = child<QCheckBox>(options, "tripod_check");
    for (QComboBox* choice : {optzoom, crop})
        EXPECT_FALSE(choice->isEditable()) << "no text of the user's own";
    ASSERT_EQ(optzoom->count(), 3);
    EXPECT_EQ(optzoom->itemText(0), QStringLiteral("Off"));
    EXPECT_EQ(optzoom->itemText(1), QStringLiteral("Static"));
    EXPECT_EQ(optzoom->itemText(2), QStringLiteral("Adaptive"));
    ASSERT_EQ(crop->count(), 2);
    EXPECT_EQ(crop->itemText(0), QStringLiteral("Keep the last image"));
    EXPECT_EQ(crop->itemText(1), QStringLiteral("Black"));

    struct Case
    {
        int optzoom_index, crop_index;
        bool tripod_checked;
        AutoZoom optzoom;
        Borders borders;
    };
    const Case cases[] = {
        {0, 1, true, AutoZoom::off, Borders::black},
        {1, 0, false, AutoZoom::fixed, Borders::keep},
        {2, 1, false, AutoZoom::adaptive, Borders::black},
    };
    for (const auto& c : cases) {
        optzoom->setCurrentIndex(c.optzoom_index);
        crop->setCurrentIndex(c.crop_index);
        tripod->setChecked(c.tripod_checked);
        const Parameters p = options.parameters();
        EXPECT_EQ(p.optzoom, c.optzoom) << c.optzoom_index;
        EXPECT_EQ(p.crop, c.borders) << c.crop_index;
        EXPECT_EQ(p.tripod, c.tripod_checked);
        options.set_parameters({});
        EXPECT_EQ(optzoom->currentIndex(), 1) << "Static is the default";
        options.set_parameters(p);
        EXPECT_EQ(optzoom->currentIndex(), c.optzoom_index) << "shown again";
        EXPECT_EQ(crop->currentIndex(), c.crop_index);
        EXPECT_EQ(tripod->isChecked(), c.tripod_checked);
    }
    // A key on a list moves within its items and never past them.
    show_borders_page();
    optzoom->setFocus();
    optzoom->setCurrentIndex(2);
    QTest::keyClick(optzoom, Qt::Key_Down);
    EXPECT_EQ(options.parameters().optzoom, AutoZoom::adaptive);
}

TEST_F(OptionsWindow, DefaultActsOnBothPages)
{
    Parameters changed;
    changed.shakiness = "9";
    changed.zoom = "-40";
    changed.optzoom = AutoZoom::off;
    changed.crop = Borders::black;
    changed.tripod = true;
    for (bool on_borders : {false, true}) {
        options.set_parameters(changed);
        if (on_borders)
            show_borders_page();
        QTest::mouseClick(child<QPushButton>(options, "default_button"), Qt::LeftButton);
        const Parameters p = options.parameters();
        EXPECT_EQ(p.shakiness, "5") << on_borders;
        EXPECT_EQ(p.zoom, "0") << on_borders;
        EXPECT_EQ(p.optzoom, AutoZoom::fixed) << on_borders;
        EXPECT_EQ(p.crop, Borders::keep) << on_borders;
        EXPECT_FALSE(p.tripod) << on_borders;
        EXPECT_TRUE(fake.dialogs.messages.empty()) << on_borders;
    }
}

TEST_F(OptionsWindow, ARefusedZoomKeepsOkAndDefaultFromActing)
{
    show_borders_page();
    put("zoom", "150");
    edit("zoom")->setFocus();
    QTest::mouseClick(child<QPushButton>(options, "default_button"), Qt::LeftButton);
    EXPECT_EQ(fake.dialogs.message_texts(),
              std::vector<std::string>{"Zoom accepts an integer in the range -100 to 100 !"});
    EXPECT_EQ(text_of("zoom"), "150");
    fake.dialogs.messages.clear();
    QTest::mouseClick(child<QPushButton>(options, "ok_button"), Qt::LeftButton);
    EXPECT_EQ(fake.dialogs.messages.size(), 1u);
    EXPECT_TRUE(options.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), edit("zoom"));
}

TEST_F(OptionsWindow, TabOnTheBordersPageGoesZoomAutomaticZoomBordersTripod)
{
    show_borders_page();
    edit("zoom")->setFocus();
    const std::vector<QWidget*> order = {
        child<QComboBox>(options, "optzoom_choice"), child<QComboBox>(options, "crop_choice"),
        child<QCheckBox>(options, "tripod_check"), child<QPushButton>(options, "ok_button")};
    expect_tab_order(order);
}

} // namespace
} // namespace calm
