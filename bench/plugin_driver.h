#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <stdexcept>
#include <string>

// What the benchmarks and the soak share: the encoder simulator as a child process, and the
// plug-in's window driven through its controls' object names, as a user would drive it.
namespace plugin_driver {

// Starts the simulator with the arguments and returns what it listens on: the TCP port for
// --tcp, or "COMn" for --pty --com n.
QString StartSimulator(QProcess& simulator, const QString& program, const QStringList& arguments);

template <typename Widget>
Widget* Control(QWidget* window, const char* name) {
    auto* widget = window->findChild<Widget*>(QString::fromLatin1(name));
    if (widget == nullptr) {
        throw std::runtime_error(std::string("no control named ") + name);
    }
    return widget;
}

// Selects item `index` of a radio group.
void SelectItem(QWidget* window, const char* radioGroup, int index);

// The "RDS Encoder" tab for an encoder at 127.0.0.1:`port` (TCP) or at COM7 (serial).
struct EncoderSettings {
    bool serial = false;
    QString port;
    int speedIndex = 2;
    bool bidirectional = false;
    bool limit = false;
};
void SetEncoderTab(QWidget* window, const EncoderSettings& settings);

// Ticks every group type of the list, then unticks those given (by index, 0 = "0A").
void TickGroupTypes(QWidget* window, std::initializer_list<int> unticked = {});

QString StatusText(QWidget* window);

}  // namespace plugin_driver
