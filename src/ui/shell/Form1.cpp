#include "Form1.h"

#include "ClickableViews.h"
#include "Messages.h"
#include "NumericField.h"
#include "SlideControl.h"
#include "StepLineDelegate.h"
#include "SwitchControl.h"
#include "UserDialogs.h"

#include "board/PcPlayback.h"
#include "link/PortMap.h"
#include "ui/files/FilesController.h"
#include "ui/flash/FlashController.h"
#include "ui/interp/InterpController.h"
#include "ui/live/LiveController.h"
#include "ui/playback/PlaybackController.h"
#include "ui/sequence/SequenceController.h"
#include "ui/sequence/SequenceHistory.h"
#include "ui/shell/LinkController.h"
#include "ui/shell/ShellController.h"
#include "ui/timeline/TimelineController.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {
constexpr int kRefusalShownMs = 6000;
} // namespace

Form1::Form1(std::unique_ptr<SerialTransport> transport, portmap::Lookup lookup,
             UserDialogs& userDialogs, QWidget* parent)
    : QMainWindow(parent), dialogs(userDialogs) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kTitle);

    // A child, so automation finds the serial control in the window's tree as it always has.
    m_panel = std::make_unique<Panel>(std::move(transport), lookup, this);

    // Built in the order of the tab chain.
    m_channels = ChannelsFrame::build(this);
    m_bufferEdit = BufferEditFrame::build(this);
    m_serialDebug = SerialDebugFrame::build(this);
    m_flash = FlashFrame::build(this);
    m_realEmu = RealEmuFrame::build(this);
    m_pcEmu = PcEmuFrame::build(this);
    m_pcDebug = PcDebugFrame::build(this);
    m_side = SideColumn::build(this, lookup, m_panel->list());

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    auto* columns = new QHBoxLayout(central);
    auto* left = new QVBoxLayout;
    left->addWidget(m_channels.frame, 1);
    auto* frames = new QGridLayout;
    frames->addWidget(m_bufferEdit.frame, 0, 0);
    frames->addWidget(m_pcEmu.frame, 0, 1);
    frames->addWidget(m_pcDebug.frame, 0, 2);
    frames->addWidget(m_serialDebug.frame, 1, 0);
    frames->addWidget(m_flash.frame, 1, 1);
    frames->addWidget(m_realEmu.frame, 1, 2);
    frames->setColumnStretch(0, 3);
    frames->setColumnStretch(1, 3);
    frames->setColumnStretch(2, 2);
    left->addLayout(frames);
    // The channels keep their smallest readable width; the step list gets the rest.
    columns->addLayout(left, 1);
    columns->addWidget(m_side.column, 1);
    setCentralWidget(central);

    SequenceHistory& history = m_panel->history();
    history.setLabel([this] { return m_channels.stepLabel->text(); },
                     [this](const QString& text) { m_channels.stepLabel->setText(text); });
    m_menus = Menus::build(*menuBar(), history);
    buildTimelineDock();
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    m_messages = std::make_unique<Messages>(dialogs, *this, *statusBar());
    connect(&m_panel->board(), &Board::echo, m_serialDebug.echoBox, &QLineEdit::setText);
    connect(m_panel.get(), &Panel::refused, this,
            [this](const QString& reason) { statusBar()->showMessage(reason, kRefusalShownMs); });

    shell = std::make_unique<ShellController>(*this);
    linkControl = std::make_unique<LinkController>(*this);
    live = std::make_unique<LiveController>(*this);
    sequence = std::make_unique<SequenceController>(*this);
    playback = std::make_unique<PlaybackController>(*this);
    flash = std::make_unique<FlashController>(*this);
    files = std::make_unique<FilesController>(*this);
    interp = std::make_unique<InterpController>(*this);
    timeline = std::make_unique<TimelineController>(
        *m_panel, *m_messages, *m_timelineDock, *m_menus.timelineAction,
        *m_menus.exportTimelineAction, std::array{m_pcEmu.pcEmuSwitch, m_pcDebug.pcSeqSwitch},
        [this](int step) { sequence->ShowStep(step); });

    shell->Form_Load();
}

Form1::~Form1() {
    shell->Form_Terminate();
    // Controllers go first: they hold references into the controls and the state.
    timeline.reset();
    interp.reset();
    files.reset();
    flash.reset();
    playback.reset();
    sequence.reset();
    live.reset();
    linkControl.reset();
    shell.reset();
}

void Form1::inform(const QString& text, const QString& title) {
    m_messages->inform(text, title);
}

void Form1::closeEvent(QCloseEvent* event) {
    shell->Form_Unload();
    event->accept();
}

// Empty until first shown (the controller makes the view then), so start-up stays as it was.
void Form1::buildTimelineDock() {
    m_timelineDock = new QDockWidget(tr("Timeline"), this);
    m_timelineDock->setObjectName(QStringLiteral("DockTimeline"));
    m_timelineDock->setAllowedAreas(Qt::BottomDockWidgetArea | Qt::RightDockWidgetArea);
    m_timelineDock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                                QDockWidget::DockWidgetFloatable);
    addDockWidget(Qt::BottomDockWidgetArea, m_timelineDock);
    m_timelineDock->hide();
}
