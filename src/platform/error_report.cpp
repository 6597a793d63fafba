#include "error_report.h"

namespace calm {

std::string report_text(const std::string& what)
{
    if (!what.empty() && what.back() == '.')
        return what;
    return what + ".";
}

void report_error(Dialogs& dialogs, const std::string& what)
{
    try {
        dialogs.message(nullptr, report_text(what), application_title, Icon::error);
    } catch (...) {
        // Nothing more can be shown; the program goes on running.
    }
}

} // namespace calm
