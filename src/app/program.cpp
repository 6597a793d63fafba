#include "program.h"

#include "about/about_dialog.h"
#include "converter/check_converter.h"
#include "job/job_folder.h"
#include "app/progress_dialog.h"
#include "main_window.h"
#include "platform/dialogs.h"
#include "platform/error_report.h"
#include "platform/fonts.h"
#include "settings/options_dialog.h"
#include "splash_screen.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

namespace calm {

Program::Program(Environment& env)
{
    main = std::make_unique<MainWindow>(env);
    options = std::make_unique<OptionsDialog>(env);
    about = std::make_unique<AboutDialog>(env);
    OptionsDialog* o = options.get();
    progress =
        std::make_unique<ProgressDialog>(env, main->job_inputs([o] { return o->parameters(); }));
    main->attach(options.get(), about.get(), progress.get());
}

Program::~Program() = default;

void Program::show(const std::vector<std::string>& files)
{
    main->show();
    if (files.empty())
        return;
    // Queued, so the load runs with the window on screen, as a drop would.
    MainWindow* m = main.get();
    QTimer::singleShot(0, m, [m, files] { m->take_drop(files); });
}

std::unique_ptr<Program> start(Environment& env)
{
    QApplication::setFont(program_font());
    SplashScreen splash;
    splash.show();
    splash.repaint();
    if (env.pump)
        env.pump();

    // What a copy that was killed or crashed left behind: its job folders
    // and the temporary outputs they name, its preview folder.
    remove_abandoned_folders(env.runtime_folder);

    std::string code;
    if (!check_converter(code, env)) {
        // Also said on the terminal, for a start from a shell or a launcher's log.
        std::fprintf(stderr, "Client program error! %s\n", code.c_str());
        env.dialogs->message(nullptr, "Client program error! " + code, application_title,
                             Icon::none);
        return nullptr;
    }
    // No display name: the X11 platform would append it to every caption
    // ("Options — Calmora"). A window with an empty caption shows this name.
    QApplication::setApplicationName(QString::fromLatin1(application_title));
    return std::make_unique<Program>(env);
}

} // namespace calm
