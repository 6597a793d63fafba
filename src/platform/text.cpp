#include "text.h"

#include <QFile>

namespace calm {

QString to_qstring(const std::string& bytes)
{
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string from_qstring(const QString& text)
{
    return text.toUtf8().toStdString();
}

std::string from_qstring_path(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace calm
