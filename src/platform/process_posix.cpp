#include "process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <linux/close_range.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

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

void close_fds(std::initializer_list<int> fds)
{
    for (int fd : fds)
        if (fd >= 0)
            ::close(fd);
}

// A descriptor of ours that the child gets as 0, 1 or 2 must not already
// sit on one of those numbers (a program started with them closed), or
// setting up one of them would overwrite another.
int above_stdio(int fd)
{
    if (fd < 0 || fd > 2)
        return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved;
}

// Tells the parent why the child could not run its program, and ends it.
[[noreturn]] void fail_in_child(int status_fd)
{
    const int e = errno;
    [[maybe_unused]] const auto n = ::write(status_fd, &e, sizeof e);
    ::_exit(127);
}

// Runs in the child between fork and exec, so it only makes
// async-signal-safe calls; it never returns.
[[noreturn]] void run_child(char* const* args, const char* folder, int output_fd, int null_fd,
                            int status_fd, pid_t parent, int fd_limit)
{
    const auto fail = [status_fd] { fail_in_child(status_fd); };
    // The converter dies with the program, however the program ends. The
    // signal comes when the thread that forked ends; every run starts from
    // the UI thread, which lives as long as the program.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0)
        fail();
    // The program died before the line above: nobody is left to read us.
    if (::getppid() != parent)
        ::_exit(127);

    struct sigaction defaults
    {
    };
    defaults.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig)
        ::sigaction(sig, &defaults, nullptr); // fails harmlessly for SIGKILL, SIGSTOP
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    // One pipe for stdout and stderr, nothing to read on stdin; the copies
    // dup2 makes do not close on exec.
    if (::dup2(output_fd, 1) < 0 || ::dup2(output_fd, 2) < 0 || ::dup2(null_fd, 0) < 0)
        fail();
    if (folder && ::chdir(folder) != 0)
        fail();
    // Whatever else the program holds open stays out of the converter.
    if (::syscall(SYS_close_range, 3u, ~0u, CLOSE_RANGE_CLOEXEC) != 0) {
        for (int fd = 3; fd < fd_limit; ++fd)
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    ::execv(args[0], args);
    fail_in_child(status_fd);
}

class PosixChildProcess final : public ChildProcess
{
  public:
    ~PosixChildProcess() override { close(); }

    bool create_pipe() override
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        read_fd_ = above_stdio(fds[0]);
        write_fd_ = above_stdio(fds[1]);
        return read_fd_ >= 0 && write_fd_ >= 0;
    }

    bool start(const std::vector<std::string>& argv, const std::string& working_folder) override
    {
        if (argv.empty() || write_fd_ < 0 || pid_ > 0)
            return false;
        // Everything the child needs is made before the fork: between fork
        // and exec only async-signal-safe calls are allowed.
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        const char* folder = working_folder.empty() ? nullptr : working_folder.c_str();

        const int null_fd = above_stdio(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        int status[2] = {-1, -1}; // the child's exec failure, as its errno
        if (null_fd < 0 || ::pipe2(status, O_CLOEXEC) != 0) {
            close_fds({null_fd});
            return false;
        }
        status[0] = above_stdio(status[0]);
        status[1] = above_stdio(status[1]);
        if (status[0] < 0 || status[1] < 0) {
            close_fds({null_fd, status[0], status[1]});
            return false;
        }

        // No signal reaches the child before it has reset its handlers to
        // the defaults, whatever the toolkit did to ours.
        sigset_t all, before;
        sigfillset(&all);
        ::pthread_sigmask(SIG_SETMASK, &all, &before);
        const pid_t parent = ::getpid();
        const long open_max = ::sysconf(_SC_OPEN_MAX);
        const int fd_limit = open_max > 0 && open_max < 65536 ? static_cast<int>(open_max) : 65536;
        const pid_t pid = ::fork();
        if (pid == 0)
            run_child(args.data(), folder, write_fd_, null_fd, status[1], parent, fd_limit);
        ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
        close_fds({null_fd, status[1]});
        if (pid < 0) {
            close_fds({status[0]});
            return false;
        }

        // The status pipe closes at a successful exec and brings nothing;
        // a failed one brings its errno.
        int child_errno = 0;
        ssize_t n;
        do
            n = ::read(status[0], &child_errno, sizeof child_errno);
        while (n < 0 && errno == EINTR);
        close_fds({status[0]});
        pid_ = pid;
        if (n != 0) {
            terminate(); // reaps the child that could not run its program
            pid_ = -1;
            reaped_ = false;
            status_ = {};
            return false;
        }
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
