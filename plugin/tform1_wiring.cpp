#include <QPushButton>
#include <QTimer>

#include "plugin/tform1.h"

// The toolkit's events, each handed to the handler that the window names for it.

void TForm1::WireStatistics() {
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(Button1); });
    connect(TimerPerSec, &QTimer::timeout, this, [this] { TimerPerSecTimer(TimerPerSec); });
}
