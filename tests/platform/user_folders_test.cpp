#include "platform/private_folder.h"
#include "platform/running_process.h"
#include "platform/user_folders.h"

#include "fake_converter.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

namespace calm {
namespace {

namespace fs = std::filesystem;

TEST(UserFolders, FollowTheXdgVariablesWithTheirFallbacks)
{
    const struct
    {
        const char* shows;
        std::map<std::string, std::string> variables;
        UserFolders gives;
    } cases[] = {
        {"nothing set: the home folder's and /tmp",
         {},
         {"/home/pw/.config/calmora/", "/home/pw/.cache/calmora/", "/tmp/"}},
        {"HOME",
         {{"HOME", "/home/ann"}},
         {"/home/ann/.config/calmora/", "/home/ann/.cache/calmora/", "/tmp/"}},
        {"every variable",
         {{"HOME", "/home/ann"},
          {"XDG_CONFIG_HOME", "/cfg"},
          {"XDG_CACHE_HOME", "/cache/"},
          {"XDG_RUNTIME_DIR", "/run/user/1000"},
          {"TMPDIR", "/var/tmp"}},
         {"/cfg/calmora/", "/cache/calmora/", "/run/user/1000/"}},
        {"no runtime folder: TMPDIR",
         {{"HOME", "/h"}, {"TMPDIR", "/var/tmp"}},
         {"/h/.config/calmora/", "/h/.cache/calmora/", "/var/tmp/"}},
        {"empty and relative values count as unset",
         {{"HOME", "/h"},
          {"XDG_CONFIG_HOME", ""},
          {"XDG_CACHE_HOME", "cache"},
          {"XDG_RUNTIME_DIR", "run"},
          {"TMPDIR", ""}},
         {"/h/.config/calmora/", "/h/.cache/calmora/", "/tmp/"}},
        {"a relative HOME",
         {{"HOME", "h"}},
         {"/home/pw/.config/calmora/", "/home/pw/.cache/calmora/", "/tmp/"}},
    };
    for (const auto& c : cases) {
        const auto folders = user_folders_from(
            [&](const char* name) {
                const auto it = c.variables.find(name);
                return it == c.variables.end() ? nullptr : it->second.c_str();
            },
            "/home/pw");
        EXPECT_EQ(folders.config, c.gives.config) << c.shows;
        EXPECT_EQ(folders.cache, c.gives.cache) << c.shows;
        EXPECT_EQ(folders.runtime, c.gives.runtime) << c.shows;
    }
}

TEST(PrivateFolder, IsOnlyTheUsersAndGoesWithWhatItHolds)
{
    test::FakeConverter fake(false);
    const std::string base = fake.env.runtime_folder;
    std::string reason;
    std::string path;
    {
        PrivateFolder a;
        PrivateFolder b;
        ASSERT_TRUE(a.create(base, "calmora-x-", reason)) << reason;
        ASSERT_TRUE(b.create(base, "calmora-x-", reason)) << reason;
        EXPECT_NE(a.path(), b.path());
        path = a.path();
        EXPECT_EQ(path.rfind(base + "calmora-x-", 0), 0u);
        EXPECT_EQ(path.back(), '/');
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_all);
        fs::create_directories(path + "inner");
        test::write_file(path + "inner/file", "x");
        PrivateFolder moved = std::move(a);
        EXPECT_FALSE(a.created());
        EXPECT_EQ(moved.path(), path);
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(fake.runtime_entries().empty());

    PrivateFolder nowhere;
    EXPECT_FALSE(nowhere.create(base + "missing/", "calmora-x-", reason));
    EXPECT_EQ(reason,
              "Cannot make a private folder in " + base + "missing/: No such file or directory");
}

TEST(PrivateFolder, OwnFoldersAreRealFoldersWithThePrefix)
{
    test::FakeConverter fake(false);
    const fs::path base = fake.env.runtime_folder;
    fs::create_directories(base / "calmora-job-aaaaaa");
    fs::create_directories(base / "other-job-bbbbbb");
    fs::create_directories(fake.root() / "elsewhere");
    fs::create_directory_symlink(fake.root() / "elsewhere", base / "calmora-job-link");
    test::write_file(base / "calmora-job-file", "x");
    EXPECT_EQ(own_private_folders(fake.env.runtime_folder, "calmora-"),
              std::vector<std::string>{(base / "calmora-job-aaaaaa").string() + "/"});

    // Removing a link in a folder's place leaves what it leads to.
    test::write_file(fake.root() / "elsewhere/keep", "x");
    remove_private_folder((base / "calmora-job-link").string() + "/");
    EXPECT_FALSE(fs::exists(fs::symlink_status(base / "calmora-job-link")));
    EXPECT_TRUE(fs::exists(fake.root() / "elsewhere/keep"));
}

TEST(RunningProcess, StartTimeComesFromTheTwentySecondField)
{
    const struct
    {
        const char* line;
        unsigned long long gives;
    } cases[] = {
        {"4242 (calmora) S 1 4242 4242 0 -1 4194560 1 0 0 0 0 0 0 0 20 0 1 0 81234567 1000 0",
         81234567},
        {"4242 (a (b) c) S 1 4242 4242 0 -1 4194560 1 0 0 0 0 0 0 0 20 0 1 0 77 1000 0", 77},
        {"4242 (cut short) S 1 2 3", 0},
        {"no parenthesis at all", 0},
        {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(start_time_from_stat(c.line), c.gives) << c.line;
}

TEST(RunningProcess, TellsALiveProcessFromAnEndedOrAnotherOne)
{
    const ProcessIdentity me = this_process();
    EXPECT_EQ(me.id, ::getpid());
    EXPECT_GT(me.started, 0u);
    EXPECT_TRUE(still_runs(me));
    EXPECT_FALSE(still_runs({me.id, me.started + 1})) << "the same id, started at another time";

    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_FALSE(still_runs({child, me.started}));
    EXPECT_FALSE(still_runs({0, 0}));
}

} // namespace
} // namespace calm
