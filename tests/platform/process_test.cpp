#include "platform/process.h"

#include "fake_converter.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace calm {
namespace {

std::string read_all(ChildProcess& p)
{
    std::string out;
    for (;;) {
        std::uint32_t n = 0;
        EXPECT_TRUE(p.peek(n));
        if (n > 0) {
            char buf[512];
            std::uint32_t got = 0;
            EXPECT_TRUE(p.read(buf, sizeof buf, got));
            out.append(buf, got);
        } else if (p.has_ended()) {
            if (p.peek(n) && n == 0)
                return out;
        } else {
            p.wait_for_output(10);
        }
    }
}

TEST(ChildProcess, ChildSeesFolderNullInputAndOnePipeForBothStreams)
{
    auto p = make_child_process();
    ASSERT_TRUE(p->create_pipe());
    ASSERT_TRUE(p->start({"/bin/sh", "-c", "pwd; cat; echo err >&2; exit 7"}, "/tmp"));
    EXPECT_EQ(read_all(*p), "/tmp\nerr\n");
    EXPECT_EQ(p->exit_status().value, 7);
    EXPECT_FALSE(p->exit_status().clean());
    p->close();
}

TEST(ChildProcess, NoDescriptorOfTheProgramReachesTheChild)
{
    // Opened without close-on-exec, as a library might.
    const int fd = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(fd, 3);
    auto p = make_child_process();
    ASSERT_TRUE(p->create_pipe());
    const std::string check =
        "test -e /proc/$$/fd/" + std::to_string(fd) + " && echo leaked; echo done";
    ASSERT_TRUE(p->start({"/bin/sh", "-c", check}, ""));
    EXPECT_EQ(read_all(*p), "done\n");
    ::close(fd);
    p->close();
}

TEST(ChildProcess, AWorkingFolderThatCannotBeEnteredFailsTheStart)
{
    auto p = make_child_process();
    ASSERT_TRUE(p->create_pipe());
    EXPECT_FALSE(p->start({"/bin/true"}, "/nonexistent/folder"));
    EXPECT_TRUE(test::child_processes().empty());
}

TEST(ChildProcess, MissingProgramDoesNotStart)
{
    auto p = make_child_process();
    ASSERT_TRUE(p->create_pipe());
    EXPECT_FALSE(p->start({"/nonexistent/client.exe"}, ""));
    EXPECT_TRUE(test::child_processes().empty());
}

TEST(ChildProcess, TerminateKillsAndReaps)
{
    auto p = make_child_process();
    ASSERT_TRUE(p->create_pipe());
    ASSERT_TRUE(p->start({"/bin/sleep", "30"}, ""));
    EXPECT_FALSE(p->has_ended());
    p->terminate();
    EXPECT_TRUE(p->exit_status().signalled);
    EXPECT_TRUE(test::child_processes().empty());
}

TEST(ChildProcess, CloseAloneLeavesNoChildBehind)
{
    {
        auto p = make_child_process();
        ASSERT_TRUE(p->create_pipe());
        ASSERT_TRUE(p->start({"/bin/sleep", "30"}, ""));
    }
    EXPECT_TRUE(test::child_processes().empty());
}

} // namespace
} // namespace calm
