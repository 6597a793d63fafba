// `calmora --fix` on three clips against the same six passes run directly
// one after another: with -j 2 (the next analysis beside the current
// transform) and with -j 1, and Calmora's own CPU time during the batch.
// The program runs as it would from a terminal on a machine without a
// display: DISPLAY unset, the XDG folders fresh for each run, so no clip is
// served from the analysis cache. The three sides rotate from round to round.
//
// Calmora's own CPU time is read from /proc/<pid>/stat (utime + stime) while
// it is a zombie: waitid(WNOWAIT) sees it end but leaves it unreaped, so its
// own times are final and its converters' (cutime, cstime) are apart from
// them. The rusage of wait4 (itself plus its converters) minus those
// converters' times checks the reading.
// Usage: bench_batch [rounds]

#include "bench_support.h"
#include "job/commands.h"
#include "media/probe.h"

#include <cstring>
#include <fstream>
#include <sstream>

using namespace calm::bench;

namespace {

constexpr int clips = 3;

struct Run
{
    double wall = -1;
    double own_cpu = 0;   // from /proc, while a zombie
    double check_cpu = 0; // rusage of itself and its waited-for children, minus the children
};

double rusage_seconds(const rusage& u)
{
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// calmora --fix -j N on the clips, targets into out, in fresh XDG folders.
Run run_calmora(const fs::path& calmora, int jobs, const std::vector<std::string>& sources,
                const fs::path& out)
{
    const fs::path home = temp_folder("calm-batch-home");
    std::vector<std::string> vars;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "DISPLAY=", 8) != 0 && std::strncmp(*e, "WAYLAND_DISPLAY=", 16) != 0 &&
            std::strncmp(*e, "XDG_", 4) != 0)
            vars.emplace_back(*e);
    for (const char* name : {"CACHE", "CONFIG", "DATA", "RUNTIME"}) {
        const fs::path folder = home / name;
        fs::create_directories(folder);
        fs::permissions(folder, fs::perms::owner_all);
        vars.push_back(std::string("XDG_") + name +
                       (std::strcmp(name, "RUNTIME") ? "_HOME=" : "_DIR=") + folder.string());
    }
    std::vector<char*> envp;
    for (auto& v : vars)
        envp.push_back(v.data());
    envp.push_back(nullptr);

    std::vector<std::string> argv{calmora.string(),     "--fix", "-j",
                                  std::to_string(jobs), "-d",    out.string()};
    argv.insert(argv.end(), sources.begin(), sources.end());
    Run run;
    const auto t0 = Clock::now();
    const pid_t pid = spawn(argv, {}, envp.data(), (home / "stderr.log").string());
    if (pid < 0)
        return run;
    siginfo_t info{};
    waitid(P_PID, pid, &info, WEXITED | WNOWAIT);
    run.wall = seconds_since(t0);
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    // After the name in parentheses: state is field 3, utime 14 ... cstime 17.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::vector<std::string> f(15);
    for (auto& x : f)
        fields >> x;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    run.own_cpu = (std::stod(f[11]) + std::stod(f[12])) / tick;
    const double children = (std::stod(f[13]) + std::stod(f[14])) / tick;
    int status = 0;
    rusage u{};
    wait4(pid, &status, 0, &u);
    run.check_cpu = rusage_seconds(u) - children;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::ifstream log(home / "stderr.log");
        std::printf("calmora -j %d failed (status %d):\n%s\n", jobs, status,
                    std::string(std::istreambuf_iterator<char>(log), {}).c_str());
        run.wall = -1;
    }
    for (const auto& s : sources)
        if (!fs::exists(out / (fs::path(s).stem().string() + "-steady.mp4"))) {
            std::printf("calmora -j %d left no target for %s\n", jobs, s.c_str());
            run.wall = -1;
        }
    fs::remove_all(home);
    return run;
}

// The six passes one after another, each clip's in a folder of its own.
double run_passes(const std::string& ffmpeg, const std::vector<calm::MediaInfo>& media,
                  const fs::path& out)
{
    const calm::Parameters params;
    double wall = 0;
    for (const auto& m : media) {
        const fs::path folder = temp_folder("calm-batch-job");
        const std::string target =
            (out / (fs::path(m.filename).stem().string() + "-steady.mp4")).string();
        wall += run_direct(calm::analysis_command(ffmpeg, m, params).argv(), folder.string());
        wall +=
            run_direct(calm::transform_command(ffmpeg, m, target, params).argv(), folder.string());
        fs::remove_all(folder);
    }
    return wall;
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    const fs::path self = fs::canonical("/proc/self/exe");
    const fs::path clip = cached_clip(self.parent_path() / "cache");
    const fs::path calmora = self.parent_path().parent_path() / "bin/calmora";
    const std::string ffmpeg = CALM_FFMPEG;

    const fs::path root = temp_folder("calm-batch");
    calm::Environment env;
    env.program_folder = calmora.parent_path().string() + "/";
    env.system_folder = (calmora.parent_path().parent_path() / "lib/calmora").string();
    std::vector<std::string> sources;
    std::vector<calm::MediaInfo> media;
    for (const char* name : {"first", "second", "third"}) {
        const fs::path copy = root / (std::string(name) + ".mp4");
        fs::copy_file(clip, copy);
        sources.push_back(copy.string());
        calm::MediaInfo m;
        std::string code;
        if (!calm::probe_media(code, copy.string(), m, env)) {
            std::fprintf(stderr, "probe of %s failed: %s\n", copy.c_str(), code.c_str());
            return 1;
        }
        m.filename = copy.string();
        media.push_back(m);
    }

    std::vector<double> j2, j1, direct, cpu_share, check_share;
    for (int r = 0; r < rounds; ++r) {
        for (int side = 0; side < 3; ++side) {
            const fs::path out = root / "out";
            fs::create_directories(out);
            switch ((side + r) % 3) {
            case 0:
            case 1: {
                const int jobs = (side + r) % 3 == 0 ? 2 : 1;
                const Run run = run_calmora(calmora, jobs, sources, out);
                (jobs == 2 ? j2 : j1).push_back(run.wall);
                cpu_share.push_back(run.own_cpu / run.wall);
                check_share.push_back(run.check_cpu / run.wall);
                std::printf("round %d: calmora -j %d %.2f s, own CPU %.2f s (check %.2f s)\n", r,
                            jobs, run.wall, run.own_cpu, run.check_cpu);
                break;
            }
            default:
                direct.push_back(run_passes(ffmpeg, media, out));
                std::printf("round %d: six passes directly %.2f s\n", r, direct.back());
            }
            fs::remove_all(out);
        }
    }
    fs::remove_all(root);

    std::printf("clips: 3 x 1920x1080, 10 s, with audio; %d rounds\n", rounds);
    std::printf("calmora --fix -j 2 / direct: %.2f s / %.2f s, ratio %.3f (target <= 0.88)\n",
                median(j2), median(direct), median(j2) / median(direct));
    std::printf("calmora --fix -j 1 / direct: %.2f s / %.2f s, ratio %.3f (target <= 1.02)\n",
                median(j1), median(direct), median(j1) / median(direct));
    std::printf("Calmora's own CPU during a batch: %.2f %% of the wall time (check %.2f %%; "
                "target <= 1 %%)\n",
                100 * median(cpu_share), 100 * median(check_share));
    return 0;
}
