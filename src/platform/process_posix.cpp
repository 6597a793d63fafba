#include "process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace calm {

std::string ExitStatus::describe() const
{
    if (!known)
        return "unknown exit status";
    if (signalled)
        return "stopped by signal " + std::to_string(value);
    return "exit status " + std::to_string(value);
}

namespace {

class PosixChildProcess final : public ChildProcess
{
  public:
    ~PosixChildProcess() override { close(); }

    bool create_pipe() override
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        read_fd_ = fds[0];
        write_fd_ = fds[1];
        return true;
    }

    bool start(const std::vector<std::string>& argv, const std::string& working_folder) override
    {
        if (argv.empty() || write_fd_ < 0)
            return false;
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, write_fd_, 1);
        posix_spawn_file_actions_adddup2(&actions, write_fd_, 2);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        if (!working_folder.empty())
            posix_spawn_file_actions_addchdir_np(&actions, working_folder.c_str());

        // The child starts with default signal handling and nothing blocked,
        // whatever the toolkit did to ours.
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        sigset_t defaults, empty;
        sigfillset(&defaults);
        sigemptyset(&empty);
        posix_spawnattr_setsigdefault(&attr, &defaults);
        posix_spawnattr_setsigmask(&attr, &empty);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

        pid_t pid = -1;
        const int rc = posix_spawn(&pid, args[0], &actions, &attr, args.data(), environ);
        posix_spawnattr_destroy(&attr);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0)
            return false;
        pid_ = pid;
        // Becomes readable when the child ends, so an idle wait wakes at its end too.
        pid_fd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
        return true;
    }

    bool peek(std::uint32_t& waiting) override
    {
        int n = 0;
        if (read_fd_ < 0 || ::ioctl(read_fd_, FIONREAD, &n) != 0)
            return false;
        waiting = static_cast<std::uint32_t>(n);
        return true;
    }

    bool read(char* buffer, std::uint32_t max, std::uint32_t& got) override
    {
        ssize_t n;
        do
            n = ::read(read_fd_, buffer, max);
        while (n < 0 && errno == EINTR);
        if (n < 0)
            return false;
        got = static_cast<std::uint32_t>(n);
        return true;
    }

    bool wait_for_output(int timeout_ms) override
    {
        pollfd p[2] = {{read_fd_, POLLIN, 0}, {pid_fd_, POLLIN, 0}};
        const nfds_t n = pid_fd_ >= 0 && !reaped_ ? 2 : 1;
        return ::poll(p, n, timeout_ms) > 0 && (p[0].revents & POLLIN);
    }

    bool has_ended() override
    {
        if (pid_ <= 0 || reaped_)
            return true;
        int st = 0;
        const pid_t r = ::waitpid(pid_, &st, WNOHANG);
        if (r == pid_) {
            record(st);
            return true;
        }
        return r < 0 && errno == ECHILD;
    }

    ExitStatus exit_status() const override { return status_; }

    void terminate() override
    {
        if (pid_ <= 0 || reaped_)
            return;
        ::kill(pid_, SIGKILL);
        // A killed child goes at once; reaping it keeps no zombie behind.
        int st = 0;
        pid_t r;
        do
            r = ::waitpid(pid_, &st, 0);
        while (r < 0 && errno == EINTR);
        if (r == pid_)
            record(st);
        reaped_ = true;
    }

    void close() override
    {
        terminate();
        for (int* fd : {&read_fd_, &write_fd_, &pid_fd_}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
    }

  private:
    void record(int st)
    {
        reaped_ = true;
        status_.known = true;
        status_.signalled = WIFSIGNALED(st);
        status_.value = status_.signalled ? WTERMSIG(st) : WEXITSTATUS(st);
    }

    int read_fd_ = -1;
    int write_fd_ = -1;
    pid_t pid_ = -1;
    int pid_fd_ = -1;
    bool reaped_ = false;
    ExitStatus status_;
};

} // namespace

std::unique_ptr<ChildProcess> make_child_process()
{
    return std::make_unique<PosixChildProcess>();
}

} // namespace calm
