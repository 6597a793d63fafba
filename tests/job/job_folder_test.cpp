#include "job/job_folder.h"
#include "job/target.h"

#include "fake_converter.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

namespace calm {
namespace {

namespace fs = std::filesystem;

TEST(OwnerRecord, ReadsWhatItWritesAndNothingHalfWritten)
{
    const struct
    {
        const char* shows;
        OwnerRecord record;
    } round_trips[] = {
        {"no output yet", {{4242, 81234567}, ""}},
        {"an output", {{7, 1}, "/videos/.calm-0badf00d.mp4"}},
        {"an output with a line break and blanks", {{7, 1}, "/v/a\nb c/.calm-0badf00d.mp4"}},
    };
    for (const auto& c : round_trips) {
        const auto text = format_owner_record(c.record);
        const auto read = parse_owner_record(text);
        ASSERT_TRUE(read) << c.shows;
        EXPECT_EQ(read->owner.id, c.record.owner.id) << c.shows;
        EXPECT_EQ(read->owner.started, c.record.owner.started) << c.shows;
        EXPECT_EQ(read->output, c.record.output) << c.shows;
    }
    EXPECT_EQ(format_owner_record({{4242, 99}, "/v/.calm-0badf00d.mp4"}),
              "pid 4242\nstarted 99\noutput /v/.calm-0badf00d.mp4\n");

    const char* refused[] = {
        "",
        "pid 4242\n",
        "pid 4242\nstarted 99",
        "pid x\nstarted 99\n",
        "pid 0\nstarted 99\n",
        "pid -5\nstarted 99\n",
        "pid 4242\nstarted 99\noutput /v/.calm-0badf00d.mp4",
        "pid 4242\nstarted 99\noutput \n",
        "pid 4242\nstarted 99\nsomething else\n",
    };
    for (const char* text : refused)
        EXPECT_FALSE(parse_owner_record(text)) << text;
}

TEST(TemporaryOutputName, IsKnownByItsTagDigitsAndOneExtension)
{
    const struct
    {
        const char* name;
        bool is;
    } cases[] = {
        {".calm-0badf00d.mp4", true},
        {".calm-0badf00d", true},
        {".calm-0badf00d.", true},
        {".calm-0BADF00D.mp4", false},
        {".calm-0badf00.mp4", false},
        {".calm-0badf00dd.mp4", false},
        {".calm-0badf00d.tar.gz", false},
        {"calm-0badf00d.mp4", false},
        {"steady.mp4", false},
        {"calm.trf", false},
        {".calm-0badf00dx", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(is_temporary_output_name(c.name), c.is) << c.name;
}

// A process id that no longer runs.
long long ended_process()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

TEST(AbandonedFolders, GoWithTheirTemporaryOutputOnlyWhenTheOwnerIsGone)
{
    const ProcessIdentity me = this_process();
    const ProcessIdentity gone{ended_process(), me.started};
    const struct
    {
        const char* shows;
        const char* folder;
        std::optional<ProcessIdentity> owner; // nullopt: no record
        const char* output;                   // in the out folder; nullptr: none
        bool folder_goes;
        bool output_goes;
    } cases[] = {
        {"a dead job's folder and output", "calmora-job-aaaaaa", gone, ".calm-0badf00d.mp4", true,
         true},
        {"a dead copy's preview folder", "calmora-view-aaaaaa", gone, nullptr, true, false},
        {"a running copy's job", "calmora-job-bbbbbb", me, ".calm-0badf00d.mp4", false, false},
        {"an id reused by another process", "calmora-job-cccccc",
         ProcessIdentity{me.id, me.started + 1}, ".calm-0badf00d.mp4", true, true},
        {"a recorded file that is not a temporary output", "calmora-job-dddddd", gone, "steady.mp4",
         true, false},
        {"no record: maybe being made right now", "calmora-job-eeeeee", std::nullopt, nullptr,
         false, false},
        {"another program's folder", "other-job-ffffff", gone, ".calm-0badf00d.mp4", false, false},
    };
    for (const auto& c : cases) {
        test::FakeConverter fake(false);
        const fs::path out = fake.root() / "out";
        fs::create_directories(out);
        test::write_file(out / "steady.mp4", "precious");
        const fs::path folder = fs::path(fake.env.runtime_folder) / c.folder;
        fs::create_directories(folder);
        test::write_file(folder / "calm.trf", "transforms");
        if (c.owner) {
            const std::string output = c.output ? (out / c.output).string() : std::string();
            if (c.output)
                test::write_file(output, "partial");
            test::write_file(folder / "owner", format_owner_record({*c.owner, output}));
        }
        remove_abandoned_folders(fake.env.runtime_folder);
        EXPECT_EQ(!fs::exists(folder), c.folder_goes) << c.shows;
        if (c.output) {
            EXPECT_EQ(!fs::exists(out / c.output), c.output_goes) << c.shows;
        }
        if (c.output && std::string(c.output) == "steady.mp4")
            EXPECT_EQ(test::read_file(out / "steady.mp4"), "partial") << c.shows;
        else
            EXPECT_EQ(test::read_file(out / "steady.mp4"), "precious") << c.shows;
    }
}

TEST(AbandonedFolders, ALinkInTheOutputsPlaceIsLeftAlone)
{
    test::FakeConverter fake(false);
    const fs::path out = fake.root() / "out";
    fs::create_directories(out);
    test::write_file(out / "precious.mp4", "precious");
    fs::create_symlink(out / "precious.mp4", out / ".calm-0badf00d.mp4");
    const fs::path folder = fs::path(fake.env.runtime_folder) / "calmora-job-aaaaaa";
    fs::create_directories(folder);
    test::write_file(
        folder / "owner",
        format_owner_record({{ended_process(), 1}, (out / ".calm-0badf00d.mp4").string()}));
    remove_abandoned_folders(fake.env.runtime_folder);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(fs::is_symlink(out / ".calm-0badf00d.mp4"));
    EXPECT_EQ(test::read_file(out / "precious.mp4"), "precious");
}

TEST(JobFolder, RecordsItsOwnerAndOutputAndGoesWhenDone)
{
    test::FakeConverter fake(false);
    std::string reason;
    std::string path;
    {
        JobFolder job;
        ASSERT_TRUE(job.create(fake.env.runtime_folder, reason)) << reason;
        path = job.path();
        EXPECT_EQ(fs::path(path).parent_path().filename().string().rfind("calmora-job-", 0), 0u);
        auto record = parse_owner_record(test::read_file(path + "owner"));
        ASSERT_TRUE(record);
        EXPECT_EQ(record->owner.id, this_process().id);
        EXPECT_TRUE(record->output.empty());

        ASSERT_TRUE(job.record_output(fake.root().string() + "/out/.calm-0badf00d.mp4", reason));
        record = parse_owner_record(test::read_file(path + "owner"));
        ASSERT_TRUE(record);
        EXPECT_EQ(record->output, fake.root().string() + "/out/.calm-0badf00d.mp4");
        // A start meanwhile leaves a running job alone.
        remove_abandoned_folders(fake.env.runtime_folder);
        EXPECT_TRUE(fs::exists(path + "owner"));
    }
    EXPECT_FALSE(fs::exists(path));
}

} // namespace
} // namespace calm
