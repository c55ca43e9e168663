#include "plugin/error_report.h"

#include <QStatusBar>
#include <cstdio>

#include "plugin/instance.h"
#include "plugin/tform1.h"

void ReportError(const char* where, const std::exception* error) noexcept {
    try {
        const QString text = QString::fromUtf8("Tolvane: error in %1: %2")
                                 .arg(QString::fromUtf8(where),
                                      error != nullptr ? QString::fromUtf8(error->what())
                                                       : QString::fromUtf8("unknown failure"));
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        if (TForm1* form = CurrentInstance()) {
            form->StatusBar1->showMessage(text);
        }
    } catch (...) {
        std::fputs("Tolvane: error while reporting an error\n", stderr);
    }
}
