#include "plugin/error_report.h"

#include <cstdio>

#include "plugin/win32/instance.h"

void ReportError(const char* where, const std::exception* error) noexcept {
    try {
        const std::string text = ErrorReportText(where, error);
        std::fprintf(stderr, "%s\n", text.c_str());
        win32_instance::ShowOnStatusLine(text.c_str());
    } catch (...) {
        std::fputs("Tolvane: error while reporting an error\n", stderr);
    }
}
