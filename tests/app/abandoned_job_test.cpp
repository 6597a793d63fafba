#include "app/program.h"
#include "fake_converter.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace calm {
namespace {

namespace fs = std::filesystem;

// Processes running the given program, zombies left out.
std::vector<int> running(const std::string& program)
{
    std::vector<int> out;
    for (const auto& e : fs::directory_iterator("/proc")) {
        const auto name = e.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code ec;
        if (fs::read_symlink(e.path() / "exe", ec) != program || ec)
            continue;
        std::string stat = test::read_file(e.path() / "stat");
        const auto close = stat.rfind(')');
        if (close != std::string::npos && stat.compare(close, 3, ") Z") != 0)
            out.push_back(std::stoi(name));
    }
    return out;
}

std::vector<std::string> job_folders(const test::FakeConverter& fake)
{
    std::vector<std::string> out;
    for (const auto& name : fake.runtime_entries())
        if (name.rfind("calmora-job-", 0) == 0)
            out.push_back(name);
    return out;
}

TEST(AbandonedJob, AKilledProgramLeavesNoConverterAndTheNextStartCleansUp)
{
    test::FakeConverter fake;
    const std::string progress =
        "out frame=   10 fps=0.0 q=-0.0 size=N/A time=00:00:05.00 bitrate=N/A speed=2x\\r\n";
    // The transform pass writes its output and then runs on, printing nothing.
    fake.script("on vidstabdetect\n" + progress + "touch calm.trf\nexit 0\n" +
                "on vidstabtransform\n" + progress + "touch-last\nhang\n");
    const fs::path source = fake.root() / "clips/shaky.mp4";
    const fs::path out = fake.root() / "out";
    fs::create_directories(source.parent_path());
    fs::create_directories(out);
    test::write_file(source, "source video");
    test::write_file(out / "steady.mp4", "precious");

    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::string args[] = {CALM_JOB_HOST_PATH, fake.env.system_folder, fake.env.runtime_folder,
                          source.string(), (out / "steady.mp4").string()};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t host = -1;
    ASSERT_EQ(::posix_spawn(&host, argv[0], nullptr, nullptr, argv.data(), environ), 0);

    // Killed once the transform converter runs and the job has recorded its output.
    const auto recorded = [&] {
        const auto folders = job_folders(fake);
        return fake.runs().size() == 2 && folders.size() == 1 &&
               test::read_file(fake.env.runtime_folder + folders[0] + "/owner").find("\noutput ") !=
                   std::string::npos &&
               test::file_names_in(out).size() == 2;
    };
    const bool reached = test::wait_until(recorded, 20000);
    ::kill(host, SIGKILL);
    int status = 0;
    ::waitpid(host, &status, 0);
    ASSERT_TRUE(reached) << "the job never reached its transform pass";

    const bool converter_gone =
        test::wait_until([&] { return running(fake.converter()).empty(); }, 2000);
    for (int pid : running(fake.converter()))
        ::kill(pid, SIGKILL); // not to leave it behind when the test fails
    EXPECT_TRUE(converter_gone) << "the converter outlived the program";

    // What the killed program left: its job folder and its temporary output.
    ASSERT_EQ(job_folders(fake).size(), 1u);
    ASSERT_EQ(test::file_names_in(out).size(), 2u);

    auto next = start(fake.env);
    ASSERT_NE(next, nullptr);
    EXPECT_TRUE(job_folders(fake).empty());
    EXPECT_EQ(test::file_names_in(out), std::vector<std::string>{"steady.mp4"});
    EXPECT_EQ(test::read_file(out / "steady.mp4"), "precious");
}

} // namespace
} // namespace calm
