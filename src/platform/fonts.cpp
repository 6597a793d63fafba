#include "fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace calm {

QFont program_font()
{
    QFont f(QStringLiteral("Verdana"), 8);
    if (!QFontDatabase::families().contains(QStringLiteral("Verdana"))) {
        f = QFont(QStringLiteral("Sans Serif"), 8);
        f.setStyleHint(QFont::SansSerif);
    }
    return f;
}

} // namespace calm
