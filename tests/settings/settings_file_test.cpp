#include "child.h"
#include "settings/settings_file.h"

#include "fake_converter.h"
#include "platform/error_report.h"
#include "settings/options_dialog.h"

#include <QLineEdit>
#include <filesystem>
#include <gtest/gtest.h>

using calm::test::child;

namespace calm {
namespace {

namespace fs = std::filesystem;

const char* const defaults_file = "[options]\nshakiness=5\naccuracy=15\nstepsize=6\n"
                                  "mincontrast=0.3\nsmoothing=10\nzoom=0\noptzoom=1\ncrop=keep\n"
                                  "tripod=0\n";

struct SettingsFile : ::testing::Test
{
    test::FakeConverter fake{false};
    std::string path = settings_path(fake.program_folder());
};

TEST_F(SettingsFile, LivesBesideTheProgram)
{
    EXPECT_EQ(settings_path("/opt/calmora/bin/"), "/opt/calmora/bin/calmview.ini");
}

TEST_F(SettingsFile, NoFileGivesTheDefaultsAndSavingWritesThemInOrder)
{
    OptionsDialog options(fake.env);
    load_settings(options, path);
    EXPECT_EQ(child<QLineEdit>(options, "shakiness_edit")->text(), QStringLiteral("5"));
    EXPECT_EQ(child<QLineEdit>(options, "accuracy_edit")->text(), QStringLiteral("15"));
    EXPECT_EQ(child<QLineEdit>(options, "stepsize_edit")->text(), QStringLiteral("6"));
    EXPECT_EQ(child<QLineEdit>(options, "mincontrast_edit")->text(), QStringLiteral("0.3"));
    EXPECT_EQ(child<QLineEdit>(options, "smoothing_edit")->text(), QStringLiteral("10"));
    save_settings(options, path);
    EXPECT_EQ(test::read_file(path), defaults_file);
}

TEST_F(SettingsFile, ValuesSurviveARestart)
{
    {
        OptionsDialog options(fake.env);
        load_settings(options, path);
        options.set_parameters({"7", "12", "4", "0.25", "30"});
        save_settings(options, path);
    }
    OptionsDialog next_run(fake.env);
    load_settings(next_run, path);
    const Parameters p = next_run.parameters();
    EXPECT_EQ(p.shakiness, "7");
    EXPECT_EQ(p.accuracy, "12");
    EXPECT_EQ(p.stepsize, "4");
    EXPECT_EQ(p.mincontrast, "0.25");
    EXPECT_EQ(p.smoothing, "30");
}

TEST_F(SettingsFile, LoadTakesTheFilesTextsUnfilteredAndWhole)
{
    test::write_file(path, "[Options]\nSHAKINESS=abc\naccuracy =   12   \nstepsize=\"8\"\n"
                           "mincontrast=0.123456\nsmoothing=-1\n");
    OptionsDialog options(fake.env);
    load_settings(options, path);
    const Parameters p = options.parameters();
    EXPECT_EQ(p.shakiness, "abc");
    EXPECT_EQ(p.accuracy, "12");
    EXPECT_EQ(p.stepsize, "8");
    EXPECT_EQ(p.mincontrast, "0.123456") << "the length limit is for typing only";
    EXPECT_EQ(p.smoothing, "-1");
}

TEST_F(SettingsFile, SaveTrimsAndKeepsTheRestOfTheFile)
{
    test::write_file(path, "; written by hand\n[window]\nleft=10\n\n[options]\nsmoothing = 3\n"
                           "\n[other]\nshakiness=2\n");
    OptionsDialog options(fake.env);
    options.set_parameters({" 7\t", "12 ", "  4", "0.5", "3 "});
    EXPECT_EQ(options.parameters().shakiness, " 7\t") << "the job gets the text untrimmed";
    save_settings(options, path);
    EXPECT_EQ(test::read_file(path),
              "; written by hand\n[window]\nleft=10\n\n[options]\nsmoothing=3\nshakiness=7\n"
              "accuracy=12\nstepsize=4\nmincontrast=0.5\nzoom=0\noptzoom=1\ncrop=keep\ntripod=0\n"
              "\n[other]\nshakiness=2\n");
}

TEST_F(SettingsFile, BorderAndTripodChoicesSurviveARestart)
{
    Parameters set;
    set.zoom = "-25";
    set.optzoom = AutoZoom::adaptive;
    set.crop = Borders::black;
    set.tripod = true;
    {
        OptionsDialog options(fake.env);
        options.set_parameters(set);
        save_settings(options, path);
    }
    EXPECT_EQ(test::read_file(path), "[options]\nshakiness=5\naccuracy=15\nstepsize=6\n"
                                     "mincontrast=0.3\nsmoothing=10\nzoom=-25\noptzoom=2\n"
                                     "crop=black\ntripod=1\n");
    OptionsDialog next_run(fake.env);
    load_settings(next_run, path);
    const Parameters p = next_run.parameters();
    EXPECT_EQ(p.zoom, "-25");
    EXPECT_EQ(p.optzoom, AutoZoom::adaptive);
    EXPECT_EQ(p.crop, Borders::black);
    EXPECT_TRUE(p.tripod);
}

TEST_F(SettingsFile, BorderAndTripodValuesOutsideTheirSetsReadAsTheDefaults)
{
    struct Case
    {
        const char* what;
        std::string lines; // of section options
        std::string zoom;
        AutoZoom optzoom;
        Borders crop;
        bool tripod;
    };
    const Case cases[] = {
        {"a file of an earlier version: the five only", "shakiness=7\n", "0", AutoZoom::fixed,
         Borders::keep, false},
        {"every value in its set", "zoom=100\noptzoom=0\ncrop=black\ntripod=1\n", "100",
         AutoZoom::off, Borders::black, true},
        {"the lowest zoom, blanks and quotes around values",
         "zoom = -100 \noptzoom=\"2\"\ncrop= Black\n", "-100", AutoZoom::adaptive, Borders::black,
         false},
        {"a zoom written another way is written plainly", "zoom=007\n", "7", AutoZoom::fixed,
         Borders::keep, false},
        {"values outside their sets", "zoom=101\noptzoom=3\ncrop=blur\ntripod=2\n", "0",
         AutoZoom::fixed, Borders::keep, false},
        {"below the zoom's range, a negative choice", "zoom=-101\noptzoom=-1\ntripod=-1\n", "0",
         AutoZoom::fixed, Borders::keep, false},
        {"no numbers", "zoom=abc\noptzoom=static\ntripod=yes\n", "0", AutoZoom::fixed,
         Borders::keep, false},
        {"empty values", "zoom=\noptzoom=\ncrop=\ntripod=\n", "0", AutoZoom::fixed, Borders::keep,
         false},
    };
    for (const auto& c : cases) {
        test::write_file(path, "[options]\n" + c.lines);
        const Parameters p = read_settings(path);
        EXPECT_EQ(p.zoom, c.zoom) << c.what;
        EXPECT_EQ(p.optzoom, c.optzoom) << c.what;
        EXPECT_EQ(p.crop, c.crop) << c.what;
        EXPECT_EQ(p.tripod, c.tripod) << c.what;
        if (c.lines == "shakiness=7\n") {
            EXPECT_EQ(p.shakiness, "7") << c.what << ": the five read as before";
        }
    }
}

TEST_F(SettingsFile, AnEarlierVersionsFileKeepsItsKeysAndGainsTheNewOnesAtTheEnd)
{
    test::write_file(path, "[options]\nshakiness=7\naccuracy=12\nstepsize=4\n"
                           "mincontrast=0.25\nsmoothing=30\n");
    OptionsDialog options(fake.env);
    load_settings(options, path);
    save_settings(options, path);
    EXPECT_EQ(test::read_file(path), "[options]\nshakiness=7\naccuracy=12\nstepsize=4\n"
                                     "mincontrast=0.25\nsmoothing=30\nzoom=0\noptzoom=1\n"
                                     "crop=keep\ntripod=0\n");
}

TEST_F(SettingsFile, AFailedWriteReachesTheErrorReport)
{
    test::write_file(fake.root() / "plain", "a file, not a folder");
    const std::string unwritable = (fake.root() / "plain/calmview.ini").string();
    OptionsDialog options(fake.env);
    guarded(fake.dialogs, [&] { save_settings(options, unwritable); });
    ASSERT_EQ(fake.dialogs.messages.size(), 1u);
    EXPECT_EQ(fake.dialogs.messages[0].text, "Unable to write to " + unwritable + ".");
    EXPECT_EQ(fake.dialogs.messages[0].caption, "Calmora");
    EXPECT_EQ(fake.dialogs.messages[0].icon, Icon::error);
}

} // namespace
} // namespace calm
