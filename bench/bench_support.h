#pragma once
// What the benchmarks share: the program's surroundings, medians, wall and CPU clocks, a command
// run directly, and the 1920x1080, 10 s shaky clip with sound, made once and kept in
// build/bench/cache.

#include "platform/environment.h"
#include "recording_dialogs.h"
#include "shaky_clip.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace calm::bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

inline double seconds_since(Clock::time_point t0)
{
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

inline double own_cpu()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : (v[(v.size() - 1) / 2] + v[v.size() / 2]) / 2;
}

// Starts a command with its input and output on /dev/null (or its stderr
// into log), in folder when given, with envp (else this process's own).
inline pid_t spawn(const std::vector<std::string>& argv, const std::string& folder = {},
                   char* const* envp = environ, const std::string& log = "/dev/null")
{
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&fa, folder.c_str());
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &fa, nullptr, args.data(), envp) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    return pid;
}

// Runs a command to its end with its output thrown away; the wall time.
inline double run_direct(const std::vector<std::string>& argv, const std::string& folder = {})
{
    const auto t0 = Clock::now();
    const pid_t pid = spawn(argv, folder);
    if (pid < 0)
        return -1;
    int st = 0;
    waitpid(pid, &st, 0);
    return seconds_since(t0);
}

inline fs::path cached_clip(const fs::path& cache)
{
    fs::create_directories(cache);
    const fs::path clip = cache / "shaky-1080p-10s.mp4";
    if (!fs::exists(clip)) {
        std::printf("making the 1920x1080, 10 s clip (once)...\n");
        calm::test::ClipSpec shape;
        shape.width = 1920;
        shape.height = 1080;
        shape.seconds = 10;
        shape.jitter = 20;
        std::string log;
        if (!calm::test::make_shaky_clip(clip, shape, &log)) {
            std::fprintf(stderr, "%s\n", log.c_str());
            std::exit(1);
        }
    }
    return clip;
}

// A fresh folder under /tmp, with the given prefix.
inline fs::path temp_folder(const std::string& prefix)
{
    std::string tmpl = "/tmp/" + prefix + "-XXXXXX";
    return ::mkdtemp(tmpl.data());
}

// The program's surroundings in a temporary folder: the converter linked
// where the program looks for it, dialogs that record and answer.
struct Bench
{
    fs::path root;
    calm::test::RecordingDialogs dialogs;
    calm::Environment env;

    Bench()
    {
        root = temp_folder("calm-bench");
        fs::create_directories(root / "bin");
        fs::create_directories(root / "lib/calmora/calm");
        fs::create_directories(root / "out");
        fs::create_symlink(CALM_FFMPEG, root / "lib/calmora/calm/client.exe");
        env.program_folder = (root / "bin").string() + "/";
        env.system_folder = (root / "lib/calmora").string();
        env.dialogs = &dialogs;
        env.runtime_folder = (root / "out").string() + "/";
        env.pump = [] { QCoreApplication::processEvents(); };
    }
    ~Bench() { fs::remove_all(root); }
};

} // namespace calm::bench
