#include "plugin_driver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStatusBar>

namespace plugin_driver {

QString StartSimulator(QProcess& simulator, const QString& program, const QStringList& arguments) {
    simulator.start(program, arguments);
    if (!simulator.waitForStarted(5000)) {
        throw std::runtime_error("cannot start " + program.toStdString());
    }
    static const QRegularExpression listening("^# listening on .*:(\\d+)$");
    static const QRegularExpression com("^# (COM\\d+): ");
    while (simulator.canReadLine() || simulator.waitForReadyRead(5000)) {
        const QString line = QString::fromUtf8(simulator.readLine()).trimmed();
        if (const auto match = listening.match(line); match.hasMatch()) {
            return match.captured(1);
        }
        if (const auto match = com.match(line); match.hasMatch()) {
            return match.captured(1);
        }
    }
    throw std::runtime_error("the simulator printed no address");
}

void SelectItem(QWidget* window, const char* radioGroup, int index) {
    Control<QWidget>(window, radioGroup)->findChildren<QRadioButton*>().at(index)->setChecked(true);
}

void SetEncoderTab(QWidget* window, const EncoderSettings& settings) {
    SelectItem(window, "RGCON", settings.serial ? 0 : 1);
    SelectItem(window, "RGSPEED", settings.speedIndex);
    Control<QComboBox>(window, "CBCOMP")->setCurrentIndex(6);
    Control<QLineEdit>(window, "EHOST")->setText("127.0.0.1");
    Control<QLineEdit>(window, "EPORT")->setText(settings.serial ? "23" : settings.port);
    Control<QCheckBox>(window, "CBBIDI")->setChecked(settings.bidirectional);
    Control<QCheckBox>(window, "CBLIMIT")->setChecked(settings.limit);
    Control<QPushButton>(window, "BUPDATE")->click();
}

void TickGroupTypes(QWidget* window, std::initializer_list<int> unticked) {
    auto* list = Control<QListWidget>(window, "CLBSHOW");
    for (int row = 0; row < 32; ++row) {
        list->item(row)->setCheckState(Qt::Checked);
    }
    for (const int row : unticked) {
        list->item(row)->setCheckState(Qt::Unchecked);
    }
}

QString StatusText(QWidget* window) {
    return Control<QStatusBar>(window, "StatusBar1")->currentMessage();
}

}  // namespace plugin_driver
