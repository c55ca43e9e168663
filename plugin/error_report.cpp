#include "plugin/error_report.h"

#include <QStatusBar>
#include <cstdio>

#include "plugin/instance.h"
#include "plugin/tform1.h"

void ReportError(const char* where, const std::exception* error) noexcept {
    try {
        const QString text = QString::fromStdString(ErrorReportText(where, error));
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        if (TForm1* form = CurrentInstance()) {
            form->StatusBar1->showMessage(text);
        }
    } catch (...) {
        std::fputs("Tolvane: error while reporting an error\n", stderr);
    }
}
