#include "plugin/tform1.h"

#include <dlfcn.h>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QTableWidget>

#include "plugin/app_icon.h"
#include "plugin/section_name.h"

namespace {

// The file this code was loaded from, as the loader knows it.
std::string LoadedFileName() {
    Dl_info info{};
    static const int kAnchor = 0;
    if (dladdr(&kAnchor, &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    return std::string(FileNameOfPath(info.dli_fname));
}

bool IsInside(const QWidget* widget, const QWidget* container) {
    return widget != nullptr && (widget == container || container->isAncestorOf(widget));
}

}  // namespace

TForm1::TForm1()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint) {
    setObjectName(QString::fromUtf8("Form1"));
    setWindowTitle(QString::fromUtf8("Tolvane"));
    setWindowIcon(TolvaneIcon());
    // The layout is measured for an 8-point sans serif; a condensed face keeps captions whole
    // where the classic one is missing. Qt's font cache outlives this library, so its strings
    // must live on the heap: a QStringLiteral would point into unloaded memory after dlclose.
    QFont face;
    face.setFamilies(
        {QString::fromUtf8("MS Sans Serif"), QString::fromUtf8("DejaVu Sans Condensed"),
         QString::fromUtf8("Liberation Sans Narrow"), QString::fromUtf8("DejaVu Sans")});
    face.setStyleHint(QFont::SansSerif);
    face.setStretch(QFont::SemiCondensed);
    face.setPointSize(8);
    setFont(face);
    setFixedSize(417, 332);
    // The host, not the plug-in, decides when the application ends.
    setAttribute(Qt::WA_QuitOnClose, false);
    BuildWindow();
    FormCreate();
}

TForm1::~TForm1() {
    // Children change focus while ~QWidget deletes them, when this is no longer a TForm1.
    disconnect(m_gridFocusWatch);
    FormDestroy();
}

void TForm1::FormCreate() {
    m_sectionName = SectionNameFromFileName(LoadedFileName());
    setProperty("SectionName", QString::fromStdString(m_sectionName));
    FillSerialPortList();
    LabelMaskGrid();
}

void TForm1::FillSerialPortList() {
    CBCOMP->clear();
    for (int n = 1; n <= 255; ++n) {
        CBCOMP->addItem(QString::fromUtf8("COM") + QString::number(n));
    }
    CBCOMP->setCurrentIndex(-1);
}

void TForm1::LabelMaskGrid() {
    const char* headers[] = {"Mask", "Block 2", "Block 3", "Block 4"};
    for (int column = 0; column < 4; ++column) {
        SGMASK->item(0, column)->setText(QString::fromLatin1(headers[column]));
    }
    for (int row = 1; row <= 3; ++row) {
        SGMASK->item(row, 0)->setText(QString::number(row));
    }
}

void TForm1::WatchMaskGridFocus() {
    // Leaving the grid for another control of this window, by Tab or by mouse, counts as an
    // exit; focus that goes to another window does not.
    m_gridFocusWatch =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
            if (IsInside(old, SGMASK) && now != nullptr && !IsInside(now, SGMASK) &&
                now->window() == this) {
                SGMASKExit(SGMASK);
            }
        });
}

void TForm1::closeEvent(QCloseEvent* event) {
    FormClose(event);
}

void TForm1::FormClose(QCloseEvent* event) {
    // The user's close (from the window system) only hides the window. Any other close is the
    // host's or the application's, as when the application quits and closes every top-level
    // window: refusing it would keep the host from quitting.
    if (event->spontaneous()) {
        hide();
        event->ignore();
        return;
    }
    event->accept();
}

void TForm1::FormDestroy() {
    // Nothing is saved here: settings reach the host only when it asks for the workspace.
    ShutdownLinks();
}
