#include "app/main_window.h"
#include "app/program.h"
#include "platform/folders.h"
#include "platform/qt_dialogs.h"
#include "platform/user_folders.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
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
    program->main->show();
    return app.exec();
}
