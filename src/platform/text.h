#pragma once
// Conversions between the program's byte strings and Qt's texts, written
// out: file names are bytes on this system and go through the file-name codec.

#include <QString>
#include <string>

namespace calm {

QString to_qstring(const std::string& bytes);
std::string from_qstring(const QString& text);
std::string from_qstring_path(const QString& path);

} // namespace calm
