// The runner's own cost while a converter works: a fake converter prints a
// line every half second; we measure this process's CPU time against the
// wall time, and how long each line waits before the runner hands it over.

#include "converter/runner.h"

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

double cpu_seconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long long now_ns()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class LatencyUse final : public calm::ConverterUse
{
  public:
    int digit() const override { return 3; }
    calm::Verdict chunk(std::string_view c, std::string&) override
    {
        const long long arrived = now_ns();
        pending_ += c;
        for (auto nl = pending_.find('\n'); nl != std::string::npos; nl = pending_.find('\n')) {
            const std::string line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            if (line.rfind("stamp ", 0) == 0)
                delays_ms.push_back((arrived - std::stoll(line.substr(6))) / 1e6);
        }
        return calm::Verdict::go_on;
    }
    bool ended(const calm::ExitStatus&, std::string&) override { return true; }
    std::vector<double> delays_ms;

  private:
    std::string pending_;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    char tmpl[] = "/tmp/calm-bench-XXXXXX";
    const fs::path root = ::mkdtemp(tmpl);
    fs::create_directories(root / "calm");
    fs::copy_file(CALM_FAKECLIENT_PATH, root / "calm/client.exe");
    std::ofstream script(root / "calm/client.script");
    script << "on *\n";
    for (int i = 0; i < 20; ++i)
        script << "stamp\nsleep 500\n";
    script << "exit 0\n";
    script.close();

    calm::Environment env;
    env.system_folder = root.string();
    env.pump = [] { QCoreApplication::processEvents(); };

    LatencyUse use;
    std::string code;
    const double cpu0 = cpu_seconds();
    const long long t0 = now_ns();
    calm::run_converter(use, calm::CommandLine(calm::converter_path(env)), code, env);
    const double wall = (now_ns() - t0) / 1e9;
    const double cpu = cpu_seconds() - cpu0;
    fs::remove_all(root);

    const double worst =
        use.delays_ms.empty() ? 0 : *std::max_element(use.delays_ms.begin(), use.delays_ms.end());
    std::printf("runner: %.1f s wall, own CPU %.3f s = %.2f %% (target < 2 %%)\n", wall, cpu,
                100 * cpu / wall);
    std::printf("runner: output handed over after median %.2f ms, worst %.2f ms (target < 20 ms)\n",
                median(use.delays_ms), worst);
    return 0;
}
