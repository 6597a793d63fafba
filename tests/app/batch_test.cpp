// `calmora --fix` as users run it: the real program, started without a
// display, with Debian's converter and a home of its own.

#include "fake_converter.h"
#include "shaky_clip.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace calm {
namespace {

namespace fs = std::filesystem;

// A temporary home: the user's folders, and the clips.
struct Sandbox
{
    fs::path root;
    Sandbox()
    {
        std::string name = (fs::temp_directory_path() / "calm-batch-XXXXXX").string();
        root = ::mkdtemp(name.data());
        for (const char* sub : {"home", "cache", "config", "run", "clips"})
            fs::create_directories(root / sub);
        fs::permissions(root / "run", fs::perms::owner_all);
    }
    ~Sandbox() { fs::remove_all(root); }
    fs::path clips() const { return root / "clips"; }
    fs::path runtime() const { return root / "run"; }

    // The whole environment of the program: no DISPLAY, no platform plugin.
    std::vector<std::string> environment() const
    {
        return {"HOME=" + (root / "home").string(),
                "PATH=/usr/bin:/bin",
                "LANG=C",
                "XDG_CACHE_HOME=" + (root / "cache").string(),
                "XDG_CONFIG_HOME=" + (root / "config").string(),
                "XDG_RUNTIME_DIR=" + runtime().string()};
    }

    // Runs `calmora --fix args` in the clips folder, stderr into a file.
    pid_t start(const std::vector<std::string>& args, const fs::path& err) const
    {
        std::vector<std::string> argv{CALM_PROGRAM_PATH, "--fix"};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> cargv;
        for (auto& a : argv)
            cargv.push_back(a.data());
        cargv.push_back(nullptr);
        auto env = environment();
        std::vector<char*> cenv;
        for (auto& e : env)
            cenv.push_back(e.data());
        cenv.push_back(nullptr);
        const std::string folder = clips().string();
        const std::string err_name = err.string();
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int null_fd = ::open("/dev/null", O_RDWR);
            const int err_fd = ::open(err_name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (null_fd < 0 || err_fd < 0 || ::chdir(folder.c_str()) != 0)
                ::_exit(126);
            ::dup2(null_fd, 0);
            ::dup2(null_fd, 1);
            ::dup2(err_fd, 2);
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::execve(cargv[0], cargv.data(), cenv.data());
            ::_exit(127);
        }
        return pid;
    }

    struct Ran
    {
        int status = -1; // the exit status; -1 when ended by a signal
        std::string err;
    };

    static int wait_status(pid_t pid)
    {
        int st = 0;
        while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
        }
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }

    Ran fix(const std::vector<std::string>& args) const
    {
        const fs::path err = root / "stderr.txt";
        Ran ran;
        ran.status = wait_status(start(args, err));
        ran.err = test::read_file(err);
        return ran;
    }

    // Processes whose command line names something in this sandbox: the
    // converters the program started.
    std::vector<std::string> converters_running() const
    {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator("/proc")) {
            const auto name = e.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos)
                continue;
            std::string line = test::read_file(e.path() / "cmdline");
            std::replace(line.begin(), line.end(), '\0', ' ');
            const std::string stat = test::read_file(e.path() / "stat");
            const auto close = stat.rfind(')');
            const bool zombie = close != std::string::npos && stat.compare(close, 3, ") Z") == 0;
            if (!zombie && line.find(root.string()) != std::string::npos)
                out.push_back(line);
        }
        return out;
    }
};

test::ClipSpec small_clip()
{
    test::ClipSpec shape;
    shape.seconds = 2;
    return shape;
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t at = 0;
    for (std::size_t nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1)
        out.push_back(text.substr(at, nl - at));
    if (at < text.size())
        out.push_back(text.substr(at));
    return out;
}

bool has_line(const std::string& text, const std::string& line)
{
    const auto all = lines_of(text);
    return std::find(all.begin(), all.end(), line) != all.end();
}

double motion(const fs::path& video)
{
    return test::mean_global_motion(test::read_frames(video, 320, 240));
}

// The converter's checksum of every decoded frame of every stream.
std::string framemd5(const fs::path& video)
{
    const std::string line =
        test::ffmpeg_path() + " -v error -i '" + video.string() + "' -map 0 -f framemd5 - 2>&1";
    std::string out;
    if (FILE* p = ::popen(line.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
            out.append(buffer, n);
        ::pclose(p);
    }
    return out;
}

std::vector<std::string> temporaries_in(const fs::path& folder)
{
    std::vector<std::string> out;
    for (const auto& name : test::file_names_in(folder))
        if (name.rfind(".calm-", 0) == 0)
            out.push_back(name);
    return out;
}

TEST(Batch, TwoClipsAreSteadiedBesideOneThatIsNoVideo)
{
    Sandbox box;
    ASSERT_TRUE(test::make_shaky_clip(box.clips() / "a.mp4", small_clip()));
    ASSERT_TRUE(test::make_shaky_clip(box.clips() / "b.mp4", small_clip()));
    test::write_file(box.clips() / "notes.txt", "not a video at all\n");

    const auto ran = box.fix({"a.mp4", "notes.txt", "b.mp4"});
    EXPECT_EQ(ran.status, 1) << ran.err;
    EXPECT_TRUE(has_line(ran.err, "3 clips: 2 succeeded, 1 failed, 0 skipped")) << ran.err;
    EXPECT_NE(ran.err.find("\nnotes.txt: "), std::string::npos) << ran.err;
    for (const char* name : {"a", "b"}) {
        const fs::path target = box.clips() / (std::string(name) + "-steady.mp4");
        ASSERT_TRUE(fs::exists(target)) << target;
        const double before = motion(box.clips() / (std::string(name) + ".mp4"));
        const double after = motion(target);
        EXPECT_GT(before, 4.0) << "the clip must be shaky to show anything";
        EXPECT_LT(2 * after, before) << name;
    }
    EXPECT_FALSE(fs::exists(box.clips() / "notes-steady.txt"));
    EXPECT_TRUE(temporaries_in(box.clips()).empty());
    EXPECT_TRUE(test::file_names_in(box.runtime()).empty());

    // Off a terminal: a line each 10 %, every clip's from 0 on, none twice.
    EXPECT_TRUE(has_line(ran.err, "[1/3] a.mp4  Analyze  0%")) << ran.err;
    const std::regex progress(R"(\[(\d)/3\] (\S+)  (Analyze|Transform)  (\d+)%(  about .* left)?)");
    std::map<std::string, std::vector<int>> told;
    for (const auto& line : lines_of(ran.err)) {
        std::smatch m;
        if (std::regex_match(line, m, progress))
            told[m[2]].push_back(std::stoi(m[4]));
    }
    ASSERT_EQ(told.size(), 2u) << ran.err;
    for (const auto& [name, percents] : told) {
        ASSERT_FALSE(percents.empty());
        EXPECT_EQ(percents.front(), 0) << name;
        EXPECT_TRUE(std::adjacent_find(percents.begin(), percents.end(), std::greater_equal<>()) ==
                    percents.end())
            << name << ": rising, each step once\n"
            << ran.err;
        for (int p : percents)
            EXPECT_EQ(p % 10, 0) << name;
        EXPECT_GE(percents.size(), 2u) << name << ": the clip's start and more\n" << ran.err;
    }
}

TEST(Batch, AnExistingTargetIsSkippedUntouchedUnlessOverwriteIsGiven)
{
    Sandbox box;
    ASSERT_TRUE(test::make_shaky_clip(box.clips() / "a.mp4", small_clip()));
    const fs::path target = box.clips() / "a-steady.mp4";
    test::write_file(target, "precious bytes");

    const auto skipped = box.fix({"a.mp4"});
    EXPECT_EQ(skipped.status, 1) << skipped.err;
    EXPECT_EQ(test::read_file(target), "precious bytes");
    EXPECT_NE(skipped.err.find("a.mp4: "), std::string::npos) << skipped.err;
    EXPECT_TRUE(has_line(skipped.err, "1 clip: 0 succeeded, 0 failed, 1 skipped")) << skipped.err;

    const auto replaced = box.fix({"--overwrite", "a.mp4"});
    EXPECT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_TRUE(has_line(replaced.err, "1 clip: 1 succeeded, 0 failed, 0 skipped")) << replaced.err;
    EXPECT_EQ(test::probe_video(target).width, 320);
    EXPECT_LT(2 * motion(target), motion(box.clips() / "a.mp4"));

    // A target of this batch is no later source: pipelined, it would be
    // analysed while the transform still writes it.
    const auto again = box.fix({"--overwrite", "a.mp4", "a-steady.mp4"});
    EXPECT_EQ(again.status, 1) << again.err;
    EXPECT_NE(again.err.find("\na-steady.mp4: "), std::string::npos) << again.err;
    EXPECT_TRUE(has_line(again.err, "2 clips: 1 succeeded, 1 failed, 0 skipped")) << again.err;
    EXPECT_FALSE(fs::exists(box.clips() / "a-steady-steady.mp4"));
}

struct StopCase
{
    int signal;
    int status;
};

class BatchStop : public ::testing::TestWithParam<StopCase>
{
};

TEST_P(BatchStop, ASignalDuringTheTransformLeavesNothingBehind)
{
    Sandbox box;
    ASSERT_TRUE(test::make_shaky_clip(box.clips() / "a.mp4", small_clip()));
    ASSERT_TRUE(test::make_shaky_clip(box.clips() / "b.mp4", small_clip()));
    const fs::path kept = box.clips() / "b-steady.mp4";
    test::write_file(kept, "precious bytes");

    const pid_t pid = box.start({"--overwrite", "a.mp4", "b.mp4"}, box.root / "stderr.txt");
    // The temporary output beside the target is made just before the transform's converter starts.
    const bool transforming = test::wait_until(
        [&] { return !temporaries_in(box.clips()).empty() && !box.converters_running().empty(); },
        60000);
    ::kill(pid, GetParam().signal);
    const int status = Sandbox::wait_status(pid);
    const std::string err = test::read_file(box.root / "stderr.txt");
    ASSERT_TRUE(transforming) << err;

    EXPECT_EQ(status, GetParam().status) << err;
    EXPECT_TRUE(temporaries_in(box.clips()).empty());
    EXPECT_FALSE(fs::exists(box.clips() / "a-steady.mp4"));
    EXPECT_EQ(test::read_file(kept), "precious bytes");
    EXPECT_TRUE(test::file_names_in(box.runtime()).empty()) << "no job folder is left";
    EXPECT_TRUE(box.converters_running().empty());
    EXPECT_EQ(err.find(" succeeded, "), std::string::npos) << "no summary of a stopped batch";
}

INSTANTIATE_TEST_SUITE_P(Signals, BatchStop,
                         ::testing::Values(StopCase{SIGINT, 130}, StopCase{SIGTERM, 143}));

TEST(Batch, ThePipelinedBatchWritesTheSameFramesAsOnePassAtATime)
{
    Sandbox one;
    Sandbox two;
    for (const Sandbox* box : {&one, &two}) {
        ASSERT_TRUE(test::make_shaky_clip(box->clips() / "a.mp4", small_clip()));
        test::ClipSpec swaying = small_clip();
        swaying.sway = 10;
        ASSERT_TRUE(test::make_shaky_clip(box->clips() / "b.mp4", swaying));
    }
    const auto serial = one.fix({"-j", "1", "a.mp4", "b.mp4"});
    const auto pipelined = two.fix({"--jobs=2", "a.mp4", "b.mp4"});
    ASSERT_EQ(serial.status, 0) << serial.err;
    ASSERT_EQ(pipelined.status, 0) << pipelined.err;
    for (const char* name : {"a-steady.mp4", "b-steady.mp4"}) {
        const std::string expected = framemd5(one.clips() / name);
        ASSERT_NE(expected.find("#stream#"), std::string::npos) << expected;
        EXPECT_EQ(framemd5(two.clips() / name), expected) << name;
    }
}

TEST(Batch, AUsageErrorEndsBeforeAnyWork)
{
    Sandbox box;
    ASSERT_TRUE(test::make_shaky_clip(box.clips() / "a.mp4", small_clip()));
    const auto ran = box.fix({"--shakiness", "11", "a.mp4"});
    EXPECT_EQ(ran.status, 2);
    EXPECT_NE(ran.err.find("--shakiness"), std::string::npos) << ran.err;
    EXPECT_EQ(test::file_names_in(box.clips()), std::vector<std::string>{"a.mp4"});
    EXPECT_TRUE(test::file_names_in(box.runtime()).empty());
    EXPECT_TRUE(test::file_names_in(box.root / "cache").empty());
}

// Every option the program's --help names, "-o" and "--output" alike.
std::set<std::string> options_in(std::string text)
{
    std::set<std::string> out;
    const std::regex option(R"((^|[\s,(|'])(--?[a-z][a-z-]*))");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
         it != std::sregex_iterator(); ++it)
        out.insert((*it)[2]);
    return out;
}

std::string help_text()
{
    std::string out;
    if (FILE* p = ::popen(CALM_PROGRAM_PATH " --help", "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
            out.append(buffer, n);
        ::pclose(p);
    }
    return out;
}

TEST(Batch, TheHelpTheManPageAndTheCompletionNameTheSameOptions)
{
    const auto help = options_in(help_text());
    ASSERT_TRUE(help.count("--output-folder") && help.count("-q")) << help_text();

    // The man page as roff: "\-" is a dash, "\fB" and the like change fonts.
    std::string man = test::read_file(CALM_SOURCE_DIR "/data/calmora.1");
    man = std::regex_replace(man, std::regex(R"(\\f[BIRP])"), "");
    man = std::regex_replace(man, std::regex(R"(\\-)"), "-");
    EXPECT_EQ(options_in(man), help);

    // The completion offers every one of them, and no option the program lacks.
    const auto completion =
        options_in(test::read_file(CALM_SOURCE_DIR "/data/calmora.bash-completion"));
    for (const auto& o : help)
        EXPECT_TRUE(completion.count(o)) << o;
    for (const auto& o : completion)
        EXPECT_TRUE(o.rfind("--", 0) != 0 || help.count(o)) << o;
}

} // namespace
} // namespace calm
