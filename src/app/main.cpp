#include "app/arguments.h"
#include "app/batch.h"
#include "app/main_window.h"
#include "app/program.h"
#include "platform/folders.h"
#include "platform/qt_dialogs.h"
#include "platform/stop_signals.h"
#include "platform/termination_signals.h"
#include "platform/user_folders.h"
#include "settings/settings_file.h"

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace {

constexpr const char* help_text =
    "Usage: calmora [FILE]                      the window, FILE loaded\n"
    "       calmora --fix [OPTION]... SOURCE... stabilize without a window\n"
    "       calmora --help | --version\n"
    "\n"
    "Options of --fix:\n"
    "  -o, --output FILE         the target, for exactly one SOURCE\n"
    "  -d, --output-folder DIR   the folder for the targets (default: each source's own)\n"
    "      --overwrite           replace targets that exist (else such a source is skipped)\n"
    "      --shakiness N         1-10\n"
    "      --accuracy N          1-15\n"
    "      --stepsize N          more than 0\n"
    "      --mincontrast X       0-1\n"
    "      --smoothing N         more than -1\n"
    "      --zoom N              percent, -100 to 100\n"
    "      --optzoom N           0 off, 1 static, 2 adaptive\n"
    "      --crop keep|black     what fills the borders\n"
    "      --tripod              hold the camera still on the first frame\n"
    "  -j, --jobs N              1: one pass at a time; 2 (default): the next analysis\n"
    "                            runs beside the current transform\n"
    "  -q, --quiet               only errors\n"
    "\n"
    "A parameter not given comes from the settings file, then the defaults.\n"
    "The target of clip.mp4 is clip-steady.mp4. Exit status: 0 all succeeded,\n"
    "1 any failed or was skipped, 2 usage error, 130/143 stopped by SIGINT/SIGTERM.\n";

calm::Environment environment()
{
    calm::Environment env;
    env.program_folder = calm::program_folder();
    env.system_folder = calm::system_folder_for(env.program_folder);
    const calm::UserFolders folders = calm::user_folders();
    env.config_folder = folders.config;
    env.cache_folder = folders.cache;
    env.runtime_folder = folders.runtime;
    return env;
}

// `calmora --fix ...`: no QApplication, so no display or platform plugin is needed.
int fix_without_window(const std::vector<std::string>& args)
{
    const auto parsed = calm::parse_batch_arguments(args);
    if (const auto* usage = std::get_if<calm::UsageError>(&parsed)) {
        std::fprintf(stderr, "calmora: %s\nTry 'calmora --help'.\n", usage->message.c_str());
        return 2;
    }
    const auto& arguments = std::get<calm::BatchArguments>(parsed);
    std::error_code ec;
    if (!arguments.output_folder.empty() &&
        !std::filesystem::is_directory(arguments.output_folder, ec)) {
        std::fprintf(stderr, "calmora: --output-folder: %s is no folder\n",
                     arguments.output_folder.c_str());
        return 2;
    }
    const calm::Environment env = environment();
    calm::BatchSetting setting;
    setting.parameters =
        calm::read_settings(calm::settings_to_read(env.config_folder, env.program_folder));
    setting.cache_folder = env.cache_folder;
    setting.terminal = calm::stderr_is_terminal();
    setting.write = [](const std::string& text) {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
    };
    return calm::run_batch(arguments, env, setting);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string_view first = argc > 1 ? argv[1] : "";
    if (first == "--fix")
        return fix_without_window(std::vector<std::string>(argv + 2, argv + argc));
    if (first == "--help" || first == "-h") {
        std::fputs(help_text, stdout);
        return 0;
    }
    if (first == "--version") {
        std::puts("calmora " CALM_VERSION);
        return 0;
    }

    // Qt takes its own options (-platform, -style ...) out of argv here.
    QApplication app(argc, argv);
    std::error_code ec;
    const std::string cwd = std::filesystem::current_path(ec).string();
    const auto args = calm::parse_arguments(std::vector<std::string>(argv + 1, argv + argc), cwd);
    if (!args.error.empty()) {
        std::fprintf(stderr, "calmora: %s\n%s\n", args.error.c_str(), calm::usage_text);
        return 2;
    }

    calm::QtDialogs dialogs;
    calm::Environment env = environment();
    env.dialogs = &dialogs;
    env.pump = [] { QCoreApplication::processEvents(); };

    auto program = calm::start(env);
    if (!program)
        return 1;
    calm::TerminationSignals termination([&program] { program->main->end_program(); });
    program->show(args.files);
    return app.exec();
}
