#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include "SimpleTCP.h"
#include "VaComm.h"
#include "pipeline/rds_group_record.h"
#include "plugin/error_report.h"
#include "plugin/tform1.h"
#include "plugin/widgets.h"
#include "plugin/workspace_rules.h"

namespace {

template <typename Widget, typename... Args>
Widget* Make(const char* name, QWidget* parent, Args&&... args) {
    auto* widget = new Widget(std::forward<Args>(args)..., parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* MakeLabel(const char* name, const char* text, QWidget* parent, int left, int top) {
    auto* label = Make<QLabel>(name, parent, QString::fromUtf8(text));
    label->move(left, top);
    label->adjustSize();
    return label;
}

QGroupBox* MakeFrame(const char* name, const char* title, QWidget* parent, QRect geometry) {
    auto* frame = Make<QGroupBox>(name, parent, QString::fromLatin1(title));
    frame->setGeometry(geometry);
    return frame;
}

QCheckBox* MakeTick(const char* name, const char* text, QWidget* parent, QRect geometry) {
    auto* box = Make<QCheckBox>(name, parent, QString::fromLatin1(text));
    box->setGeometry(geometry);
    box->setChecked(true);
    return box;
}

// The longest captions need a little less than the window's width of face to keep to their room
// in the layout: the statistics captions end before the values at 208, the rate box is 97 wide.
void Condense(QWidget* widget) {
    QFont narrower = widget->font();
    narrower.setStretch(80);
    widget->setFont(narrower);
}

QTimer* MakeTimer(const char* name, QObject* owner, int interval, bool running) {
    auto* timer = new QTimer(owner);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(interval);
    if (running) {
        timer->start();
    }
    return timer;
}

}  // namespace

void TForm1::BuildWindow() {
    PageControl1 = Make<QTabWidget>("PageControl1", this);
    PageControl1->setGeometry(0, 0, 417, 313);
    TabSheet1 = Make<QWidget>("TabSheet1", nullptr);
    TabSheet2 = Make<QWidget>("TabSheet2", nullptr);
    TabSheet3 = Make<QWidget>("TabSheet3", nullptr);
    TabSheet4 = Make<QWidget>("TabSheet4", nullptr);
    PageControl1->addTab(TabSheet1, QString::fromUtf8("Statistics"));
    PageControl1->addTab(TabSheet2, QString::fromUtf8("Group Filter"));
    PageControl1->addTab(TabSheet3, QString::fromUtf8("RDS Encoder"));
    PageControl1->addTab(TabSheet4, QString::fromUtf8("About"));
    PageControl1->setCurrentIndex(0);

    StatusBar1 = Make<QStatusBar>("StatusBar1", this);
    StatusBar1->setGeometry(0, 313, 417, 19);
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->showMessage(QString::fromUtf8("Not connected"));

    BuildStatisticsTab();
    BuildGroupFilterTab();
    BuildEncoderTab();
    BuildAboutTab();
    BuildTimers();
    BuildLinks();
    BindControls();
    WireOutput();
    WireStatistics();
}

void TForm1::BuildStatisticsTab() {
    GroupBox5 = MakeFrame("GroupBox5", "Statistics", TabSheet1, {8, 8, 393, 265});
    struct Row {
        QLabel** caption;
        const char* captionName;
        const char* captionText;
        QLabel** value;
        const char* valueName;
        const char* initial;
        int top;
    };
    const Row rows[] = {
        {&Label3, "Label3", "Groups received (total):", &LR, "LR", "LR", 32},
        {&Label12, "Label12", "Groups received (per second):", &LRPS, "LRPS", "LRPS", 48},
        {&Label9, "Label9", "Groups discarded due to CRC error:", &LE, "LE", "LE", 72},
        {&Label10, "Label10", "Groups discarded due to Group Filter:", &LF, "LF", "LF", 88},
        {&Label4, "Label4", "Groups waiting in buffer:", &LW, "LW", "LW", 112},
        {&Label11, "Label11", "Groups lost due to buffer overrun:", &LL, "LL", "LL", 128},
        {&Label5, "Label5", "Groups sent to output (total):", &LS, "LS", "LS", 152},
        {&Label13, "Label13", "Groups sent to output (per second):", &LSPS, "LSPS", "LSPS", 168},
        {&Label14, "Label14", "Started:", &LSTART, "LSTART", "0:00:00", 192},
    };
    for (const Row& row : rows) {
        *row.caption = MakeLabel(row.captionName, row.captionText, GroupBox5, 24, row.top);
        Condense(*row.caption);
        (*row.caption)->adjustSize();
        *row.value = MakeLabel(row.valueName, row.initial, GroupBox5, 208, row.top);
        // Values grow as counters rise; give them the rest of the row instead of their first width.
        (*row.value)->resize(GroupBox5->width() - 208 - 8, 13);
    }
    Button1 = Make<QPushButton>("Button1", GroupBox5, QString::fromUtf8("Clear"));
    Button1->setGeometry(160, 224, 75, 25);
}

void TForm1::BuildGroupFilterTab() {
    GroupBox8 = MakeFrame("GroupBox8", "Rebroadcast Groups", TabSheet2, {8, 8, 393, 137});
    CLBSHOW = Make<QListWidget>("CLBSHOW", GroupBox8);
    CLBSHOW->setGeometry(16, 24, 361, 97);
    // Five columns of seven rows, filled top to bottom.
    CLBSHOW->setFlow(QListView::TopToBottom);
    CLBSHOW->setWrapping(true);
    CLBSHOW->setResizeMode(QListView::Adjust);
    CLBSHOW->setUniformItemSizes(true);
    CLBSHOW->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    CLBSHOW->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tick boxes a little lower than the rows, so that none is cut at the bottom.
    constexpr int kRowHeight = 13;
    CLBSHOW->setStyle(new TCheckListStyle(kRowHeight - 2, CLBSHOW));
    QPalette face = CLBSHOW->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    CLBSHOW->setPalette(face);
    QStringList entries;
    for (int32_t index = 0; index < 32; ++index) {
        entries << QString::fromStdString(GroupTypeName(index));
    }
    entries << QString::fromUtf8("Mask 1") << QString::fromUtf8("Mask 2")
            << QString::fromUtf8("Mask 3");
    for (const QString& text : entries) {
        auto* item = new QListWidgetItem(text, CLBSHOW);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
        item->setSizeHint(QSize(70, kRowHeight));
    }

    GroupBox7 = MakeFrame("GroupBox7", "Binary Mask Definition", TabSheet2, {8, 152, 393, 121});
    BuildMaskGrid();
    // The grid comes before the group list in the keyboard order of this tab.
    setTabOrder(SGMASK, CLBSHOW);
}

void TForm1::BuildMaskGrid() {
    SGMASK = Make<QTableWidget>("SGMASK", GroupBox7, 4, 4);
    SGMASK->setGeometry(8, 24, 377, 84);
    SGMASK->horizontalHeader()->hide();
    SGMASK->verticalHeader()->hide();
    SGMASK->setShowGrid(false);
    SGMASK->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SGMASK->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SGMASK->setTabKeyNavigation(false);
    SGMASK->setSelectionMode(QAbstractItemView::SingleSelection);
    SGMASK->setEditTriggers(QAbstractItemView::AllEditTriggers);
    const int widths[] = {36, 111, 111, 111};
    for (int column = 0; column < 4; ++column) {
        SGMASK->setColumnWidth(column, widths[column]);
        SGMASK->setRowHeight(column, 19);
    }
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            auto* cell = new QTableWidgetItem(QString());
            const bool fixed = row == 0 || column == 0;
            cell->setFlags(fixed ? Qt::NoItemFlags
                                 : Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
            SGMASK->setItem(row, column, cell);
        }
    }
    SGMASK->setItemDelegate(
        new TMaskGridDelegate([this](char16_t& key) { SGMASKKeyPress(SGMASK, key); },
                              [this](bool forward) { focusNextPrevChild(forward); }, SGMASK));
    SGMASK->setCurrentCell(1, 1, QItemSelectionModel::NoUpdate);
    WatchMaskGridFocus();
}

void TForm1::BuildEncoderTab() {
    BuildModelBox();
    BuildConnectionType();
    BuildEncoderOptions();
    BuildSerialPortBoxes();
    BuildTcpBox();
    BUPDATE = Make<QPushButton>("BUPDATE", TabSheet3, QString::fromUtf8("Connect / Update"));
    BUPDATE->setGeometry(8, 248, 137, 25);
    BDISCON = Make<QPushButton>("BDISCON", TabSheet3, QString::fromUtf8("Disconnect"));
    BDISCON->setGeometry(152, 248, 113, 25);
    OrderEncoderTab();
}

void TForm1::BuildModelBox() {
    GBMODEL = MakeFrame("GBMODEL", "RDS Encoder Model", TabSheet3, {8, 8, 257, 65});
    CBMODEL = Make<QComboBox>("CBMODEL", GBMODEL);
    CBMODEL->setGeometry(16, 24, 225, 21);
    CBMODEL->addItem(QString::fromUtf8("VELMAR8 / V108"));
    CBMODEL->setCurrentIndex(0);
}

void TForm1::BuildConnectionType() {
    RGCON = Make<TRadioGroup>(
        "RGCON", TabSheet3, QString::fromUtf8("Connection Type"),
        QStringList{QString::fromUtf8("Serial RS232"), QString::fromUtf8("Ethernet TCP/IP"),
                    QString::fromUtf8("(not connected)")});
    RGCON->setGeometry(8, 80, 121, 73);
    RGCON->SetItemIndex(2);
}

void TForm1::BuildSerialPortBoxes() {
    GroupBox2 = MakeFrame("GroupBox2", "RS232 Port", TabSheet3, {280, 88, 121, 65});
    CBCOMP = Make<QComboBox>("CBCOMP", GroupBox2);
    CBCOMP->setGeometry(16, 24, 89, 21);
    CBCOMP->setMaxVisibleItems(16);

    RGSPEED =
        Make<TRadioGroup>("RGSPEED", TabSheet3, QString::fromUtf8("Port Speed"),
                          QStringList{QString::fromUtf8("1200 bps"), QString::fromUtf8("2400 bps"),
                                      QString::fromUtf8("4800 bps"), QString::fromUtf8("9600 bps"),
                                      QString::fromUtf8("19200 bps")});
    RGSPEED->setGeometry(280, 160, 121, 113);
    RGSPEED->SetItemIndex(1);
}

void TForm1::OrderEncoderTab() {
    QWidget* order[] = {CBMODEL,
                        RGCON->Button(0),
                        RGCON->Button(1),
                        RGCON->Button(2),
                        CBBIDI,
                        CBLIMIT,
                        CBCOMP,
                        RGSPEED->Button(0),
                        RGSPEED->Button(1),
                        RGSPEED->Button(2),
                        RGSPEED->Button(3),
                        RGSPEED->Button(4),
                        EHOST,
                        EPORT,
                        CBKEEPPI,
                        CBKEEPPTY,
                        CBKEEPTP,
                        BUPDATE,
                        BDISCON};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

void TForm1::BuildEncoderOptions() {
    GroupBox1 = MakeFrame("GroupBox1", "Connection Options", TabSheet3, {144, 80, 121, 73});
    CBBIDI = MakeTick("CBBIDI", "Bidirectional", GroupBox1, {16, 24, 97, 17});
    CBLIMIT = MakeTick("CBLIMIT", "Limit group rate", GroupBox1, {16, 40, 97, 17});
    Condense(CBBIDI);
    Condense(CBLIMIT);

    // Shown top to bottom as PI, TP, PTY; the keyboard visits PI, PTY, TP.
    GroupBox4 = MakeFrame("GroupBox4", "Do NOT Rebroadcast", TabSheet3, {280, 8, 121, 73});
    CBKEEPPI = MakeTick("CBKEEPPI", "PI", GroupBox4, {16, 16, 57, 17});
    CBKEEPPTY = MakeTick("CBKEEPPTY", "PTY", GroupBox4, {16, 48, 73, 17});
    CBKEEPTP = MakeTick("CBKEEPTP", "TP", GroupBox4, {16, 32, 73, 17});
}

void TForm1::BuildTcpBox() {
    GroupBox3 =
        MakeFrame("GroupBox3", "TCP/IP Connect to RDS Encoder", TabSheet3, {8, 160, 257, 81});
    Label1 = MakeLabel("Label1", "Host:", GroupBox3, 16, 27);
    Label2 = MakeLabel("Label2", "Port:", GroupBox3, 16, 51);
    EHOST = Make<QLineEdit>("EHOST", GroupBox3, QString::fromUtf8("127.0.0.1"));
    EHOST->setGeometry(56, 24, 185, 21);
    EHOST->setMaxLength(workspace::kHostTypingLimit);
    EPORT = Make<QLineEdit>("EPORT", GroupBox3, QString::fromUtf8("23"));
    EPORT->setGeometry(56, 48, 65, 21);
    EPORT->setMaxLength(workspace::kPortTypingLimit);
}

void TForm1::BuildAboutTab() {
    GroupBox6 = MakeFrame("GroupBox6", "About", TabSheet4, {112, 80, 185, 121});
    Label6 = MakeLabel("Label6", "Tolvane plugin", GroupBox6, 16, 24);
    Label7 = MakeLabel("Label7", "Version 1.00", GroupBox6, 16, 40);
    URLLink1 = Make<TURLLink>("URLLink1", GroupBox6, QString::fromUtf8("tolvane.example.org"),
                              QUrl(QString::fromUtf8("https://tolvane.example.org/")));
    URLLink1->move(16, 56);
    URLLink1->adjustSize();
    Label8 = MakeLabel("Label8", "\xc2\xa9 2026 The Tolvane developers", GroupBox6, 16, 88);
}

void TForm1::BuildTimers() {
    TTimerSend = MakeTimer("TTimerSend", this, 70, true);
    TimerRxD = MakeTimer("TimerRxD", this, 5, true);
    TCPCon = MakeTimer("TCPCon", this, 30000, false);
    TimerPerSec = MakeTimer("TimerPerSec", this, 2978, true);
}

void TForm1::BuildLinks() {
    // 2400 bit/s, 8N1, every kind of flow control off, DTR and RTS not driven; received bytes
    // stay in the device queue until they are polled.
    VaComm1 = new TVaComm(this);
    VaComm1->setObjectName(QString::fromUtf8("VaComm1"));
    VaComm1->SetBaudrate(br2400);
    VaComm1->SetPortNum(1);
    VaComm1->SetDeviceName("COM%d");
    VaComm1->SetMonitorEvents({ceRxChar, ceTxEmpty});
    VaComm1->SetEventPriority(tpHigher);
    VaComm1->SetDirectWrite(true);
    // A reader that stops must not hold the host's GUI thread for a write timeout: what the
    // port does not take at once is kept by the link and finished before the next command.
    TVaBuffers buffers;
    buffers.SetWriteTimeout(0);
    VaComm1->SetBuffers(buffers);
    // A port that fails while its events are handled (a device that went away) pauses the
    // output as a failed write does, with the same one message on the status line.
    VaComm1->OnException = [this](QObject*, const QString& message) {
        Guarded("VaComm1", [&] { SerialFailed(std::runtime_error(message.toStdString())); });
    };

    SimpleTCPClient1 = new TSimpleTCPClient(this);
    SimpleTCPClient1->setObjectName(QString::fromUtf8("SimpleTCPClient1"));
    SimpleTCPClient1->SetHost("127.0.0.1");
    SimpleTCPClient1->SetPort(23);
    SimpleTCPClient1->SetAutoReconnectInterval(2147480000);
    SimpleTCPClient1->OnException = [](QObject*, const QString& message) {
        const std::runtime_error error(message.toStdString());
        ReportError("SimpleTCPClient1", &error);
    };
}

void TForm1::BindControls() {
    m_ui.Form1 = m_adapters.AdaptWindow(this);
    m_ui.System = m_adapters.System();
    m_ui.StatusBar1 = m_adapters.Adapt(StatusBar1);
    m_ui.LR = m_adapters.Adapt(LR);
    m_ui.LRPS = m_adapters.Adapt(LRPS);
    m_ui.LE = m_adapters.Adapt(LE);
    m_ui.LF = m_adapters.Adapt(LF);
    m_ui.LW = m_adapters.Adapt(LW);
    m_ui.LL = m_adapters.Adapt(LL);
    m_ui.LS = m_adapters.Adapt(LS);
    m_ui.LSPS = m_adapters.Adapt(LSPS);
    m_ui.LSTART = m_adapters.Adapt(LSTART);
    m_ui.CLBSHOW = m_adapters.Adapt(CLBSHOW);
    m_ui.SGMASK = m_adapters.Adapt(SGMASK);
    m_ui.RGCON = m_adapters.Adapt(RGCON);
    m_ui.CBBIDI = m_adapters.Adapt(CBBIDI);
    m_ui.CBLIMIT = m_adapters.Adapt(CBLIMIT);
    m_ui.CBCOMP = m_adapters.Adapt(CBCOMP);
    m_ui.RGSPEED = m_adapters.Adapt(RGSPEED);
    m_ui.EHOST = m_adapters.Adapt(EHOST);
    m_ui.EPORT = m_adapters.Adapt(EPORT);
    m_ui.CBKEEPPI = m_adapters.Adapt(CBKEEPPI);
    m_ui.CBKEEPPTY = m_adapters.Adapt(CBKEEPPTY);
    m_ui.CBKEEPTP = m_adapters.Adapt(CBKEEPTP);
    m_ui.BUPDATE = m_adapters.Adapt(BUPDATE);
    m_ui.TTimerSend = m_adapters.Adapt(TTimerSend);
    m_ui.TimerRxD = m_adapters.Adapt(TimerRxD);
    m_ui.TCPCon = m_adapters.Adapt(TCPCon);
    m_ui.TimerPerSec = m_adapters.Adapt(TimerPerSec);
}
