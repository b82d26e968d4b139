#include "Form1.h"

#include "ClickableViews.h"
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

QPushButton* makeButton(const QString& caption, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(caption.simplified());
    return button;
}

SwitchControl* makeSwitch(const QString& caption, const QString& name, QWidget* parent) {
    auto* s = new SwitchControl(caption, parent);
    s->setObjectName(name);
    s->setAccessibleName(caption);
    return s;
}

QGroupBox* makeFrame(const QString& caption, const QString& name, QWidget* parent) {
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(name);
    frame->setAccessibleName(caption.isEmpty() ? name : caption);
    return frame;
}

QString channelCaption(int channel) {
    // Channel 10 carries a blank in its caption; the others do not.
    return channel == 10 ? QStringLiteral("Ch 10") : QStringLiteral("Ch%1").arg(channel);
}

} // namespace

Form1::Form1(std::unique_ptr<SerialTransport> transport, portmap::Lookup lookup,
             UserDialogs& userDialogs, QWidget* parent)
    : QMainWindow(parent), dialogs(userDialogs) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kTitle);

    // A child, so automation finds the serial control in the window's tree as it always has.
    m_panel = std::make_unique<Panel>(std::move(transport), lookup, this);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    auto* columns = new QHBoxLayout(central);
    auto* left = new QVBoxLayout;
    left->addWidget(buildChannels(), 1);
    buildFrames();
    auto* frames = new QGridLayout;
    frames->addWidget(FrameBuffEdit, 0, 0);
    frames->addWidget(FramePCEmu, 0, 1);
    frames->addWidget(FramePCDeb, 0, 2);
    frames->addWidget(FrameSer, 1, 0);
    frames->addWidget(FrameFlash, 1, 1);
    frames->addWidget(FrameRealEmu, 1, 2);
    frames->setColumnStretch(0, 3);
    frames->setColumnStretch(1, 3);
    frames->setColumnStretch(2, 2);
    left->addLayout(frames);
    // The channels keep their smallest readable width; the step list gets the rest.
    columns->addLayout(left, 1);
    columns->addWidget(buildSideColumn(lookup), 1);
    setCentralWidget(central);
    buildMenus();
    buildTimelineDock();
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    connect(&m_panel->board(), &Board::echo, Echo, &QLineEdit::setText);
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
    timeline = std::make_unique<TimelineController>(*this);

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
    dialogs.information(this, title, text);
}

void Form1::closeEvent(QCloseEvent* event) {
    shell->Form_Unload();
    event->accept();
}

QWidget* Form1::buildChannels() {
    FrameMan = makeFrame(QString(), QStringLiteral("FrameMan"), this);
    FrameMan->setAccessibleName(tr("Channels"));
    auto* grid = new QGridLayout(FrameMan);
    grid->setHorizontalSpacing(6);
    for (int c = 0; c < kChannelCount; ++c) {
        const QString caption = channelCaption(c);
        auto* slide = new SlideControl(SlideControl::Look::Slider, c, caption, FrameMan);
        slide->setObjectName(QStringLiteral("CWSlide1_%1").arg(c));
        slide->setAxisMinimum(0);
        slide->setAxisMaximum(255);
        slide->setValue(128);
        slide->setMinimumHeight(220);
        CWSlide1[c] = slide;

        auto* offset = new QLineEdit(QStringLiteral("0"), FrameMan);
        offset->setObjectName(QStringLiteral("Text1_%1").arg(c));
        offset->setAccessibleName(QStringLiteral("Offset Ch%1").arg(c));
        offset->setAlignment(Qt::AlignCenter);
        offset->setMaxLength(8);
        auto* angle = new QLineEdit(QStringLiteral("0 °"), FrameMan);
        angle->setObjectName(QStringLiteral("Text1_%1").arg(c + kChannelCount));
        angle->setAccessibleName(QStringLiteral("Angle Ch%1").arg(c));
        angle->setAlignment(Qt::AlignCenter);
        angle->setReadOnly(true);
        for (QLineEdit* box : {offset, angle}) {
            box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("-63.5 °")) + 12);
        }
        Text1[c] = offset;
        Text1[c + kChannelCount] = angle;

        grid->addWidget(slide, 0, c);
        grid->addWidget(offset, 1, c);
        grid->addWidget(angle, 2, c);
    }

    auto* bottom = new QHBoxLayout;
    Label1 = new QLabel(tr("Step Duration"), FrameMan);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAccessibleName(Label1->text());
    CWNumEditTimeStep = new NumericField({20, 20, 1000000, 20, QStringLiteral(" ms")}, FrameMan);
    CWNumEditTimeStep->setObjectName(QStringLiteral("CWNumEditTimeStep"));
    CWNumEditTimeStep->setAccessibleName(tr("Step Duration"));
    CWNumEditTimeStep->setMinimumWidth(130);
    Label1->setBuddy(CWNumEditTimeStep);
    LabelStep = new QLabel(tr("Step N° ..."), FrameMan);
    LabelStep->setObjectName(QStringLiteral("LabelStep"));
    // No fixed accessible name: screen readers then read the step shown, and hear of each change.
    LabelStep->setAccessibleDescription(tr("Step Number"));
    LabelStep->setMinimumWidth(LabelStep->fontMetrics().horizontalAdvance(QStringLiteral("Step N° 1023")) + 8);
    CommandUpdate = makeButton(tr("Reset"), QStringLiteral("CommandUpdate"), FrameMan);
    CommandUpdate->setToolTip(tr("Centre all twelve channels"));
    bottom->addWidget(Label1);
    bottom->addWidget(CWNumEditTimeStep);
    bottom->addSpacing(24);
    bottom->addWidget(LabelStep);
    bottom->addStretch(1);
    bottom->addWidget(CommandUpdate);
    grid->addLayout(bottom, 3, 0, 1, kChannelCount);
    return FrameMan;
}

void Form1::buildFrames() {
    FrameBuffEdit = makeFrame(tr("Buffer Editing"), QStringLiteral("FrameBuffEdit"), this);
    CommandDwn = makeButton(QStringLiteral("<---"), QStringLiteral("CommandDwn"), FrameBuffEdit);
    CommandInterpolate = makeButton(tr("Interpolate"), QStringLiteral("CommandInterpolate"), FrameBuffEdit);
    CommandUp = makeButton(QStringLiteral("--->"), QStringLiteral("CommandUp"), FrameBuffEdit);
    CommandClear = makeButton(tr("Clear All"), QStringLiteral("CommandClear"), FrameBuffEdit);
    CommandReplace = makeButton(tr("Replace"), QStringLiteral("CommandReplace"), FrameBuffEdit);
    CommandRem = makeButton(tr("Remove"), QStringLiteral("CommandRem"), FrameBuffEdit);
    CommandAdd = makeButton(tr("Add"), QStringLiteral("CommandAdd"), FrameBuffEdit);
    CommandDwn->setAccessibleName(tr("Previous step"));
    CommandUp->setAccessibleName(tr("Next step"));
    auto* edit = new QGridLayout(FrameBuffEdit);
    edit->addWidget(CommandDwn, 0, 0);
    edit->addWidget(CommandInterpolate, 0, 1);
    edit->addWidget(CommandUp, 0, 2);
    edit->addWidget(CommandClear, 1, 0);
    edit->addWidget(CommandReplace, 1, 1);
    edit->addWidget(CommandRem, 1, 2);
    edit->addWidget(CommandAdd, 2, 0, 1, 3);

    FrameSer = makeFrame(tr("Serial Comm Debug"), QStringLiteral("FrameSer"), this);
    Echo = new EchoBox(FrameSer);
    Echo->setObjectName(QStringLiteral("Echo"));
    Echo->setAccessibleName(QStringLiteral("Echo"));
    Echo->setReadOnly(true);
    Echo->setToolTip(tr("Click to empty the box and the receive buffer"));
    CommandInBuff = makeButton(tr("InBuff"), QStringLiteral("CommandInBuff"), FrameSer);
    auto* ser = new QHBoxLayout(FrameSer);
    ser->addWidget(Echo, 1);
    ser->addWidget(CommandInBuff);
    FrameSer->setVisible(false);

    FrameFlash = makeFrame(tr("Flash Program"), QStringLiteral("FrameFlash"), this);
    Command1 = makeButton(tr("Abort"), QStringLiteral("Command1"), FrameFlash);
    Command1->setEnabled(false);
    CommandErase = makeButton(tr("Erease"), QStringLiteral("CommandErase"), FrameFlash);
    CommandRead = makeButton(tr("Read Seq."), QStringLiteral("CommandRead"), FrameFlash);
    CommandFlash = makeButton(tr("Program  Seq."), QStringLiteral("CommandFlash"), FrameFlash);
    CommandVerify = makeButton(tr("Verify Flash"), QStringLiteral("CommandVerify"), FrameFlash);
    ProgressBarFlash = new SlideControl(SlideControl::Look::Progress, 0, tr("Flash Progress"), FrameFlash);
    ProgressBarFlash->setObjectName(QStringLiteral("ProgressBarFlash"));
    ProgressBarFlash->setVisible(false);
    auto* fl = new QGridLayout(FrameFlash);
    fl->addWidget(CommandFlash, 0, 0);
    fl->addWidget(CommandRead, 0, 1);
    fl->addWidget(CommandVerify, 0, 2);
    fl->addWidget(CommandErase, 1, 0);
    fl->addWidget(Command1, 1, 1);
    fl->addWidget(ProgressBarFlash, 2, 0, 1, 3);
    FrameFlash->setVisible(false);

    FrameRealEmu = makeFrame(tr("Real Emulator"), QStringLiteral("FrameRealEmu"), this);
    CWButtonRealEmu = makeSwitch(tr("Real Emu"), QStringLiteral("CWButtonRealEmu"), FrameRealEmu);
    auto* real = new QVBoxLayout(FrameRealEmu);
    real->addWidget(CWButtonRealEmu, 0, Qt::AlignCenter);
    FrameRealEmu->setVisible(false);

    FramePCEmu = makeFrame(tr("PC Sequence Emulator  (Varible Time Steps)"), QStringLiteral("FramePCEmu"), this);
    CommandRepeat = makeButton(tr("Repeat"), QStringLiteral("CommandRepeat"), FramePCEmu);
    CommandContinue = makeButton(tr("Continue"), QStringLiteral("CommandContinue"), FramePCEmu);
    CommandResBrk = makeButton(tr("Reset  All Break"), QStringLiteral("CommandResBrk"), FramePCEmu);
    CommandBrk = makeButton(tr("Set/Reset Break"), QStringLiteral("CommandBrk"), FramePCEmu);
    CWButtonEmuPC = makeSwitch(tr("PC Emu"), QStringLiteral("CWButtonEmuPC"), FramePCEmu);
    auto* emu = new QGridLayout(FramePCEmu);
    emu->addWidget(CommandRepeat, 0, 0);
    emu->addWidget(CommandContinue, 0, 1);
    emu->addWidget(CommandBrk, 1, 0);
    emu->addWidget(CommandResBrk, 1, 1);
    emu->addWidget(CWButtonEmuPC, 2, 0, 1, 2, Qt::AlignCenter);

    FramePCDeb = makeFrame(tr("PC Sequence Debug  (Fix Time Steps)"), QStringLiteral("FramePCDeb"), this);
    CWNumEdit1 = new NumericField({1000, 50, 1000000, 10, QStringLiteral(" ms")}, FramePCDeb);
    CWNumEdit1->setObjectName(QStringLiteral("CWNumEdit1"));
    CWNumEdit1->setAccessibleName(tr("Fixed Step Time"));
    CWNumEdit1->setMinimumWidth(130);
    CWButtonManual = makeSwitch(tr("PC Seq"), QStringLiteral("CWButtonManual"), FramePCDeb);
    auto* deb = new QVBoxLayout(FramePCDeb);
    deb->addWidget(CWNumEdit1);
    deb->addWidget(CWButtonManual, 0, Qt::AlignCenter);
}

QWidget* Form1::buildSideColumn(const portmap::Lookup& lookup) {
    auto* side = new QWidget(this);
    side->setObjectName(QStringLiteral("sideColumn"));
    auto* column = new QVBoxLayout(side);
    column->setContentsMargins(0, 0, 0, 0);

    auto* portRow = new QHBoxLayout;
    Label2 = new QLabel(tr("Serial Comm Port:"), side);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAccessibleName(Label2->text());
    ComboPort = new PortChooser(lookup, side);
    ComboPort->setObjectName(QStringLiteral("ComboPort"));
    ComboPort->setAccessibleName(tr("Serial Comm Port:"));
    for (int port = portmap::kFirstPort; port <= portmap::kLastPort; ++port) {
        ComboPort->addItem(QStringLiteral("Comm%1").arg(port), port);
    }
    ComboPort->refreshDevices();
    Label2->setBuddy(ComboPort);
    portRow->addWidget(Label2);
    portRow->addWidget(ComboPort, 1);
    column->addLayout(portRow);

    auto* pcRow = new QHBoxLayout;
    CWButtonMainOnOff = makeSwitch(tr("PC Ctr Enbl"), QStringLiteral("CWButtonMainOnOff"), side);
    CommandStart = makeButton(tr("ON"), QStringLiteral("CommandStart"), side);
    CommandStop = makeButton(tr("OFF"), QStringLiteral("CommandStop"), side);
    pcRow->addWidget(CWButtonMainOnOff);
    pcRow->addStretch(1);
    pcRow->addWidget(CommandStart);
    pcRow->addWidget(CommandStop);
    column->addLayout(pcRow);

    ListSequence = new StepListView(side);
    ListSequence->setObjectName(QStringLiteral("ListSequence"));
    ListSequence->setAccessibleName(tr("Sequence"));
    ListSequence->setModel(&m_panel->list());
    ListSequence->setUniformItemSizes(true);
    ListSequence->setItemDelegate(new StepLineDelegate(ListSequence));
    ListSequence->setSelectionMode(QAbstractItemView::SingleSelection);
    ListSequence->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListSequence->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ListSequence->setMinimumWidth(360);
    column->addWidget(ListSequence, 1);
    return side;
}

void Form1::buildMenus() {
    QMenu* file = menuBar()->addMenu(tr("File"));
    file->setObjectName(QStringLiteral("menuFile"));
    menuSaveBuffer = file->addAction(tr("Save Buffer"));
    menuLoadBuffer = file->addAction(tr("Load Buffer"));
    file->addSeparator();
    menuQuit = file->addAction(tr("Quit"));

    SequenceHistory& history = m_panel->history();
    history.setLabel([this] { return LabelStep->text(); },
                     [this](const QString& text) { LabelStep->setText(text); });
    QMenu* edit = menuBar()->addMenu(tr("Edit"));
    edit->setObjectName(QStringLiteral("menuEdit"));
    menuUndo = history.createUndoAction(edit);
    menuRedo = history.createRedoAction(edit);
    edit->addAction(menuUndo);
    edit->addAction(menuRedo);

    QMenu* advanced = menuBar()->addMenu(tr("Advanced"));
    advanced->setObjectName(QStringLiteral("menuAdvanced"));
    menuFlashProgr = advanced->addAction(tr("Flash Progr"));
    menuFlashProgr->setCheckable(true);
    menuSerialDebug = advanced->addAction(tr("Serial Comm Debug"));
    menuSerialDebug->setCheckable(true);
    menuReset = advanced->addAction(tr("Reset"));
    menuVerifyFlash = advanced->addAction(tr("Verify Flash"));

    menuSaveBuffer->setObjectName(QStringLiteral("menuSaveBuffer"));
    menuLoadBuffer->setObjectName(QStringLiteral("menuLoadBuffer"));
    menuQuit->setObjectName(QStringLiteral("menuQuit"));
    menuFlashProgr->setObjectName(QStringLiteral("menuFlashProgr"));
    menuSerialDebug->setObjectName(QStringLiteral("menuSerialDebug"));
    menuReset->setObjectName(QStringLiteral("menuReset"));
    menuVerifyFlash->setObjectName(QStringLiteral("menuVerifyFlash"));

    QMenu* view = menuBar()->addMenu(tr("View"));
    view->setObjectName(QStringLiteral("menuView"));
    menuTimeline = view->addAction(tr("Timeline"));
    menuTimeline->setCheckable(true);
    menuTimeline->setObjectName(QStringLiteral("menuTimeline"));
    menuExportTimeline = view->addAction(tr("Export Timeline…"));
    menuExportTimeline->setObjectName(QStringLiteral("menuExportTimeline"));
}

// Empty until first shown (the controller makes the view then), so start-up stays as it was.
void Form1::buildTimelineDock() {
    DockTimeline = new QDockWidget(tr("Timeline"), this);
    DockTimeline->setObjectName(QStringLiteral("DockTimeline"));
    DockTimeline->setAllowedAreas(Qt::BottomDockWidgetArea | Qt::RightDockWidgetArea);
    DockTimeline->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                              QDockWidget::DockWidgetFloatable);
    addDockWidget(Qt::BottomDockWidgetArea, DockTimeline);
    DockTimeline->hide();
}
