#include "app/arguments.h"
#include "app/main_window.h"
#include "app/program.h"
#include "platform/folders.h"
#include "platform/qt_dialogs.h"
#include "platform/termination_signals.h"
#include "platform/user_folders.h"

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <system_error>

int main(int argc, char** argv)
{
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
    calm::Environment env;
    env.program_folder = calm::program_folder();
    env.system_folder = calm::system_folder_for(env.program_folder);
    const calm::UserFolders folders = calm::user_folders();
    env.config_folder = folders.config;
    env.cache_folder = folders.cache;
    env.runtime_folder = folders.runtime;
    env.dialogs = &dialogs;
    env.pump = [] { QCoreApplication::processEvents(); };

    auto program = calm::start(env);
    if (!program)
        return 1;
    calm::TerminationSignals termination([&program] { program->main->end_program(); });
    program->show(args.files);
    return app.exec();
}
