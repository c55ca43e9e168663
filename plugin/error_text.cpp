#include <string>

#include "plugin/error_report.h"

std::string ErrorReportText(const char* where, const std::exception* error) {
    std::string text = "Tolvane: error in ";
    text += where != nullptr ? where : "";
    text += ": ";
    text += error != nullptr ? error->what() : "unknown failure";
    return text;
}
