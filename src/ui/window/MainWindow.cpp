#include "MainWindow.h"

#include "ui/files/FilesController.h"
#include "ui/files/RecoveryController.h"
#include "ui/flash/FlashController.h"
#include "ui/interp/InterpController.h"
#include "ui/link/LinkController.h"
#include "ui/live/LiveController.h"
#include "ui/panel/Panel.h"
#include "ui/panel/SequenceHistory.h"
#include "ui/playback/PlaybackController.h"
#include "ui/sequence/ComposeController.h"
#include "ui/sequence/SequenceController.h"
#include "ui/session/SessionController.h"
#include "ui/setup/SetupController.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/Messages.h"
#include "ui/shell/RememberingDialogs.h"
#include "ui/timeline/TimelineController.h"

#include <QAction>
#include <QCloseEvent>
#include <QCommandLineParser>
#include <QDockWidget>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QVBoxLayout>

#include <utility>

namespace {
constexpr int kRefusalShownMs = 6000;
} // namespace

MainWindow::MainWindow(std::unique_ptr<SerialTransport> transport, portmap::Lookup lookup,
                       UserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kTitle);
    // A child, so automation finds the serial control in the window's tree.
    m_panel = std::make_unique<Panel>(std::move(transport), lookup, this);
    // The container first, then the frames in the order of the tab chain.
    auto* central = new QWidget(this);
    buildFrames(lookup);
    layOut(*central);
    buildMenus();
    buildTimelineDock();
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    m_playbackField = new QLabel(statusBar());
    m_playbackField->setObjectName(QStringLiteral("playbackField"));
    m_playbackField->setAccessibleName(tr("Playback"));
    statusBar()->addPermanentWidget(m_playbackField);
    m_connectionField = new QLabel(statusBar());
    m_connectionField->setObjectName(QStringLiteral("connectionField"));
    m_connectionField->setAccessibleName(tr("Connection"));
    statusBar()->addPermanentWidget(m_connectionField);
    m_dialogs = std::make_unique<RememberingDialogs>(dialogs);
    m_messages = std::make_unique<Messages>(*m_dialogs, *this, *statusBar());
    connect(m_panel.get(), &Panel::refused, this,
            [this](const QString& reason) { m_messages->showStatus(reason, kRefusalShownMs); });
    makeControllers();
    orderTabChain();
    // A newcomer's first step; the Tab chain starts here too.
    m_side.portChooser->setFocus();
    const QSettings settings;
    m_geometryRestored = restoreGeometry(settings.value(kGeometryKey).toByteArray());
    restoreState(settings.value(kStateKey).toByteArray());
    // A timeline shown last time is built as one shown from the menu.
    if (!m_timelineDock->isHidden()) {
        m_timeline->showTimeline(true);
        m_menus.timelineAction->setChecked(true);
    }
    m_session->start();
}

MainWindow::~MainWindow() {
    m_session->teardown();
}

void MainWindow::showAtStart() {
    if (!m_geometryRestored) {
        const QSize first(1280, 800);
        // Room for a title bar and borders, which are not known before the window is shown.
        constexpr int kFrameRoom = 48;
        const QSize room = screen()->availableGeometry().size();
        if (room.width() >= first.width() && room.height() >= first.height() + kFrameRoom) {
            resize(first);
        } else {
            setWindowState(windowState() | Qt::WindowMaximized);
        }
    }
    show();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    m_session->windowClosing();
    QSettings settings;
    settings.setValue(kGeometryKey, saveGeometry());
    settings.setValue(kStateKey, saveState());
    event->accept();
}

void MainWindow::buildFrames(const portmap::Lookup& lookup) {
    m_channels = ChannelsFrame::build(this);
    m_bufferEdit = BufferEditFrame::build(this);
    m_serialDebug = SerialDebugFrame::build(this);
    m_flash = FlashFrame::build(this);
    m_realEmu = RealEmuFrame::build(this);
    m_pcEmu = PcEmuFrame::build(this);
    m_pcDebug = PcDebugFrame::build(this);
    m_side = SideColumn::build(this, lookup, m_panel->list());
}

void MainWindow::layOut(QWidget& central) {
    central.setObjectName(QStringLiteral("central"));
    auto* columns = new QHBoxLayout(&central);
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
    setCentralWidget(&central);
}

// The history's undo and redo actions take the step label along.
void MainWindow::buildMenus() {
    SequenceHistory& history = m_panel->history();
    history.setLabel([this] { return m_channels.stepLabel->text(); },
                     [this](const QString& text) { m_channels.stepLabel->setText(text); });
    m_menus = Menus::build(*menuBar(), history);
}

// Reading order from the port chooser: the side column, the channels, then the frames row by
// row; each area keeps its own order.
void MainWindow::orderTabChain() {
    QList<QWidget*> stops;
    for (QWidget* w = nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus) {
            stops << w;
        }
    }
    const QWidget* areas[] = {m_side.column,     m_channels.frame, m_bufferEdit.frame,
                              m_pcEmu.frame,     m_pcDebug.frame,  m_serialDebug.frame,
                              m_flash.frame,     m_realEmu.frame};
    QWidget* previous = nullptr;
    for (const QWidget* area : areas) {
        for (QWidget* w : std::as_const(stops)) {
            if (area->isAncestorOf(w)) {
                if (previous) {
                    setTabOrder(previous, w);
                }
                previous = w;
            }
        }
    }
}

// Empty until first shown (the controller makes the view then), so start-up stays light.
void MainWindow::buildTimelineDock() {
    m_timelineDock = new QDockWidget(tr("Timeline"), this);
    m_timelineDock->setObjectName(QStringLiteral("DockTimeline"));
    m_timelineDock->setAllowedAreas(Qt::BottomDockWidgetArea | Qt::RightDockWidgetArea);
    m_timelineDock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                                QDockWidget::DockWidgetFloatable);
    addDockWidget(Qt::BottomDockWidgetArea, m_timelineDock);
    m_timelineDock->hide();
}

// The order counts where two controllers hear the same signal: playback starts before the
// timeline follows it.
void MainWindow::makeControllers() {
    Panel& panel = *m_panel;
    Messages& messages = *m_messages;
    const PlaybackSwitches modes{m_pcEmu.pcEmuSwitch, m_pcDebug.pcSeqSwitch,
                                 m_realEmu.realEmuSwitch};
    const auto showStep = [this](int step) { m_sequence->showStep(step); };

    m_session = std::make_unique<SessionController>(panel, *this, m_menus, m_flash, m_realEmu,
                                                    m_serialDebug, *m_side.pcControlSwitch, modes);
    m_link = std::make_unique<LinkController>(
        panel, messages, *m_side.portChooser, m_serialDebug,
        LinkController::Connection{m_connectionField, m_menus.closePortAction,
                                   m_side.pcControlSwitch});
    m_live = std::make_unique<LiveController>(panel, messages, m_channels, m_side);
    m_sequence = std::make_unique<SequenceController>(panel, messages, m_channels, m_bufferEdit,
                                                      m_pcEmu, *m_side.stepList);
    // From the keys as from a click, which would have taken the focus from an offset box.
    for (const auto& [action, button] : {std::pair{m_menus.addStepAction, m_bufferEdit.addButton},
                                         std::pair{m_menus.replaceStepAction,
                                                   m_bufferEdit.replaceButton}}) {
        connect(action, &QAction::triggered, this, [this, button] {
            m_live->commitFocusedOffset();
            button->click();
        });
    }
    m_playback = std::make_unique<PlaybackController>(panel, messages, m_channels, m_pcEmu,
                                                      m_pcDebug, modes, showStep, *m_playbackField);
    m_flashControl = std::make_unique<FlashController>(
        panel, messages, m_flash, *m_menus.verifyFlashAction, *m_side.pcControlSwitch, modes);
    m_files = std::make_unique<FilesController>(panel, messages, *m_menus.saveBufferAction,
                                                *m_menus.loadBufferAction, *m_menus.saveAction,
                                                *m_menus.openRecentMenu);
    m_interp = std::make_unique<InterpController>(panel, messages, m_bufferEdit, m_channels,
                                                  m_pcEmu, m_pcDebug, *m_side.stepList);
    m_timeline = std::make_unique<TimelineController>(
        panel, messages, *m_timelineDock, *m_menus.timelineAction, *m_menus.exportTimelineAction,
        std::array{m_pcEmu.pcEmuSwitch, m_pcDebug.pcSeqSwitch}, showStep);

    m_timeline->setLaneEditing(*m_side.pcControlSwitch,
                               [this] { return m_side.stepList->shownStep(); });

    // Several lines at once, through Edit.
    m_compose =
        std::make_unique<ComposeController>(panel, messages, m_menus, *m_channels.stepLabel);

    // Last, so that every controller hears of the setup restored.
    m_setup = std::make_unique<SetupController>(panel, messages, *m_menus.channelSetupAction,
                                                *m_menus.changedOnlyAction);
    m_setup->restore();
}

void MainWindow::openFromCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("file"), tr("A sequence file to load."));
    // An option the window does not know is no reason to refuse the file.
    parser.parse(arguments);
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty()) {
        m_files->loadFile(files.first());
    }
}

void MainWindow::keepRecovery(const QString& folder) {
    m_recovery = std::make_unique<RecoveryController>(*m_panel, *m_messages, folder);
    connect(m_files.get(), &FilesController::stepsStored, m_recovery.get(),
            &RecoveryController::stepsStored);
    m_recovery->start();
}
