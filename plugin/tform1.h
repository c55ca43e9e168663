#pragma once

#include <QWidget>
#include <cstdint>
#include <string>
#include <string_view>

#include "pipeline/rds_group_record.h"
#include "plugin/qt_controls.h"
#include "plugin/tform1_handlers.h"

class QCheckBox;
class QCloseEvent;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QTableWidget;
class QTimer;
class TRadioGroup;
class TURLLink;

// The plug-in's one window. It owns every control, timer and link; the controls are the
// run-time settings that the intake, the filter and the output read when they need them.
// The operations are defined in the folder of their subsystem; those written once for every
// toolkit belong to TForm1Handlers, which reaches the controls through their adapters.
class TForm1 : public QWidget, public TForm1Handlers {
    Q_OBJECT

public:
    // Builds the window hidden and runs FormCreate.
    TForm1();
    ~TForm1() override;

    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // Window events.
    void FormCreate();
    void FormClose(QCloseEvent* event);
    void FormDestroy();

    int32_t HostValue = 0;

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet4 = nullptr;
    QStatusBar* StatusBar1 = nullptr;

    QGroupBox* GroupBox5 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label14 = nullptr;
    QLabel* LR = nullptr;
    QLabel* LRPS = nullptr;
    QLabel* LE = nullptr;
    QLabel* LF = nullptr;
    QLabel* LW = nullptr;
    QLabel* LL = nullptr;
    QLabel* LS = nullptr;
    QLabel* LSPS = nullptr;
    QLabel* LSTART = nullptr;
    QPushButton* Button1 = nullptr;

    QGroupBox* GroupBox8 = nullptr;
    QListWidget* CLBSHOW = nullptr;
    QGroupBox* GroupBox7 = nullptr;
    QTableWidget* SGMASK = nullptr;

    QGroupBox* GBMODEL = nullptr;
    QComboBox* CBMODEL = nullptr;
    TRadioGroup* RGCON = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* CBBIDI = nullptr;
    QCheckBox* CBLIMIT = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QComboBox* CBCOMP = nullptr;
    TRadioGroup* RGSPEED = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* EHOST = nullptr;
    QLineEdit* EPORT = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    QCheckBox* CBKEEPPI = nullptr;
    QCheckBox* CBKEEPPTY = nullptr;
    QCheckBox* CBKEEPTP = nullptr;
    QPushButton* BUPDATE = nullptr;
    QPushButton* BDISCON = nullptr;

    QGroupBox* GroupBox6 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    TURLLink* URLLink1 = nullptr;
    QLabel* Label8 = nullptr;

    QTimer* TTimerSend = nullptr;
    QTimer* TimerRxD = nullptr;
    QTimer* TCPCon = nullptr;
    QTimer* TimerPerSec = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildWindow();
    void BuildStatisticsTab();
    void BuildGroupFilterTab();
    void BuildMaskGrid();
    void BuildEncoderTab();
    void BuildModelBox();
    void BuildConnectionType();
    void BuildEncoderOptions();
    void BuildSerialPortBoxes();
    void BuildTcpBox();
    void OrderEncoderTab();
    void BuildAboutTab();
    void BuildTimers();
    void BuildLinks();
    void BindControls();
    void FillSerialPortList();
    void LabelMaskGrid();
    void WatchMaskGridFocus();
    void WireOutput();
    void WireStatistics();

    qt_controls::Adapters m_adapters;
    QMetaObject::Connection m_gridFocusWatch;
};
