#pragma once

#include <QFont>

namespace calm {

// Verdana 8 pt where installed, else the system's sans-serif at 8 pt.
QFont program_font();

} // namespace calm
