#include "program.h"

#include "about/p_about.h"
#include "converter/checkclient.h"
#include "job/p_progress.h"
#include "p_flash.h"
#include "p_main.h"
#include "platform/dialogs.h"
#include "platform/error_report.h"
#include "platform/fonts.h"
#include "settings/p_options.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

namespace calm {

Program::Program(Environment& env)
{
    main = std::make_unique<Tmain>(env);
    options = std::make_unique<Toptions>(env);
    about = std::make_unique<Tabout>(env);
    Tmain* m = main.get();
    Toptions* o = options.get();
    progress = std::make_unique<Tprogress>(
        env, JobInputs{m->ffinfo, m->SaveDialog1, m->cancel_flag, [o] { return o->parameters(); },
                       [m] { m->Timer_endmsg->start(); }});
    main->attach(options.get(), about.get(), progress.get());
}

Program::~Program() = default;

std::unique_ptr<Program> start(Environment& env)
{
    QApplication::setFont(program_font());
    Tflash flash;
    flash.show();
    flash.repaint();
    if (env.pump)
        env.pump();

    std::string code;
    if (!checkclient(code, env)) {
        // Also said on the terminal, for a start from a shell or a launcher's log.
        std::fprintf(stderr, "Client program error! %s\n", code.c_str());
        env.dialogs->message(nullptr, "Client program error! " + code, application_title,
                             Icon::none);
        return nullptr;
    }
    QApplication::setApplicationName(QString::fromLatin1(application_title));
    QApplication::setApplicationDisplayName(QString::fromLatin1(application_title));
    return std::make_unique<Program>(env);
}

} // namespace calm
