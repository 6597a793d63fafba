#include "program.h"

#include "converter/checkclient.h"
#include "p_flash.h"
#include "p_main.h"
#include "platform/dialogs.h"
#include "platform/error_report.h"

#include <QApplication>

namespace calm {

Program::Program(Environment& env) : main(std::make_unique<Tmain>(env)) {}

Program::~Program() = default;

std::unique_ptr<Program> start(Environment& env)
{
    Tflash flash;
    flash.show();
    flash.repaint();
    if (env.pump)
        env.pump();

    std::string code;
    if (!checkclient(code, env)) {
        env.dialogs->message(nullptr, "Client program error! " + code, application_title,
                             Icon::none);
        return nullptr;
    }
    QApplication::setApplicationName(QString::fromLatin1(application_title));
    QApplication::setApplicationDisplayName(QString::fromLatin1(application_title));
    auto program = std::make_unique<Program>(env);
    return program;
}

} // namespace calm
