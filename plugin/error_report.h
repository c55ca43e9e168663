#pragma once

#include <exception>
#include <string>

// The one place where a failure caught at an entry point of the plug-in (an export, a Qt
// event, a timer tick) is shown: on the window's status line when the window exists, and on
// standard error. `where` names the entry point.
void ReportError(const char* where, const std::exception* error) noexcept;

// What ReportError shows: "Tolvane: error in WHERE: WHAT", with "unknown failure" for a
// failure that is no std::exception.
std::string ErrorReportText(const char* where, const std::exception* error);

// Runs `work`, reporting anything it throws instead of letting it escape.
template <typename Work>
void Guarded(const char* where, Work&& work) noexcept {
    try {
        work();
    } catch (const std::exception& error) {
        ReportError(where, &error);
    } catch (...) {
        ReportError(where, nullptr);
    }
}
