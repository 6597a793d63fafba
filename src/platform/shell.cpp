#include "shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace calm {

void open_address(const Environment& env, const std::string& address)
{
    if (env.open_address) {
        env.open_address(address);
        return;
    }
    QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

} // namespace calm
