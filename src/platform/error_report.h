#pragma once
// The program-wide error report: every event handler runs inside guarded(),
// so no exception crosses the toolkit and the user sees what went wrong.

#include "dialogs.h"

#include <exception>
#include <string>
#include <utility>

namespace calm {

inline constexpr const char* application_title = "Calmora";

// The error's text with a closing full stop.
std::string report_text(const std::string& what);

void report_error(Dialogs& dialogs, const std::string& what);

template <class Handler> void guarded(Dialogs& dialogs, Handler&& handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception& e) {
        report_error(dialogs, e.what());
    } catch (...) {
        report_error(dialogs, "Unknown error");
    }
}

} // namespace calm
