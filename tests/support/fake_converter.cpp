#include "fake_converter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace calm::test {

namespace fs = std::filesystem;

namespace {

std::string unescaped(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            if (s[i + 1] == '\\') {
                out += '\\';
                ++i;
                continue;
            }
            if (s[i + 1] == 'x' && i + 3 < s.size()) {
                out += static_cast<char>(std::stoi(s.substr(i + 2, 2), nullptr, 16));
                i += 3;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

} // namespace

FakeConverter::FakeConverter(bool with_converter)
{
    char tmpl[] = "/tmp/calm-test-XXXXXX";
    root_ = fs::path(::mkdtemp(tmpl));
    fs::create_directories(root_ / "bin");
    fs::create_directories(root_ / "lib/calmora/calm");
    if (with_converter)
        fs::copy_file(CALM_FAKECLIENT_PATH, converter());
    env.program_folder = program_folder();
    env.system_folder = (root_ / "lib/calmora").string();
    // Never the user's real folders: the settings folder is made by the
    // first save, as in a new user's home.
    env.config_folder = (root_ / "home/.config/calmora").string() + "/";
    env.cache_folder = (root_ / "home/.cache/calmora").string() + "/";
    fs::create_directories(root_ / "run");
    fs::permissions(root_ / "run", fs::perms::owner_all);
    env.runtime_folder = (root_ / "run").string() + "/";
    env.dialogs = &dialogs;
    env.pump = [] { QCoreApplication::processEvents(); };
    env.idle_wait_ms = 5;
}

FakeConverter::~FakeConverter()
{
    std::error_code ec;
    fs::remove_all(root_, ec);
}

std::string FakeConverter::program_folder() const
{
    return (root_ / "bin").string() + "/";
}

std::string FakeConverter::settings_file() const
{
    return env.config_folder + "calmview.ini";
}

std::vector<std::string> FakeConverter::runtime_entries() const
{
    return file_names_in(env.runtime_folder);
}

std::string FakeConverter::converter() const
{
    return (root_ / "lib/calmora/calm/client.exe").string();
}

void FakeConverter::script(const std::string& text) const
{
    write_file(root_ / "lib/calmora/calm/client.script", text);
    for (const auto& e : fs::directory_iterator(root_ / "lib/calmora/calm"))
        if (e.path().filename().string().rfind("client.used.", 0) == 0)
            fs::remove(e.path());
}

std::vector<LoggedRun> FakeConverter::runs() const
{
    std::vector<LoggedRun> out;
    std::istringstream in(read_file(root_ / "lib/calmora/calm/client.log"));
    for (std::string line; std::getline(in, line);) {
        if (line == "run")
            out.emplace_back();
        else if (line.rfind("cwd ", 0) == 0 && !out.empty())
            out.back().cwd = unescaped(line.substr(4));
        else if (line.rfind("arg ", 0) == 0 && !out.empty())
            out.back().argv.push_back(unescaped(line.substr(4)));
    }
    return out;
}

void FakeConverter::clear_log() const
{
    std::error_code ec;
    fs::remove(root_ / "lib/calmora/calm/client.log", ec);
}

std::vector<int> child_processes()
{
    std::vector<int> out;
    const auto me = std::to_string(::getpid());
    for (const auto& e : fs::directory_iterator("/proc")) {
        const auto name = e.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(e.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const auto close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(line.substr(close + 2));
        std::string state, ppid;
        rest >> state >> ppid;
        if (ppid == me)
            out.push_back(std::stoi(name));
    }
    return out;
}

bool wait_until(const std::function<bool()>& pred, int timeout_ms)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeout_ms)
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(2);
    }
    return true;
}

std::vector<std::string> file_names_in(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string read_file(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const fs::path& p, const std::string& bytes)
{
    std::ofstream(p, std::ios::binary) << bytes;
}

} // namespace calm::test
