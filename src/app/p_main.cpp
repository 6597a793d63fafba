#include "p_main.h"

namespace calm {

Tmain::Tmain(Environment& env) : QMainWindow(nullptr), env_(env)
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Calmora 0.3.7"));
    auto* client = new QWidget(this);
    client->setFixedSize(476, 306);
    setCentralWidget(client);
}

} // namespace calm
