#pragma once

#include "board/Board.h"
#include "link/PortMap.h"
#include "ui/panel/Panel.h"

#include <QMainWindow>

#include <array>
#include <memory>

class QAction;
class QComboBox;
class QDockWidget;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class EchoBox;
class PortChooser;
class NumericField;
class SlideControl;
class StepListView;
class SwitchControl;
class UserDialogs;

class ShellController;
class LinkController;
class LiveController;
class SequenceController;
class PlaybackController;
class FlashController;
class FilesController;
class InterpController;
class TimelineController;

// The panel's one window. It builds and lays out the controls over the panel's state; the
// handlers live in one controller per area, which reach the controls through the public
// members below, named as the rest of the program knows them.
class Form1 : public QMainWindow {
    Q_OBJECT
public:
    // The lookup says what each port number leads to; a function giving a device path will do.
    Form1(std::unique_ptr<SerialTransport> transport, portmap::Lookup lookup, UserDialogs& dialogs,
          QWidget* parent = nullptr);
    ~Form1() override;

    static inline const QString kTitle = QStringLiteral("Tessarel V 2.5");
    static inline const QString kNoConnection = Board::kNoConnection;
    static inline const QString kProgramTitle = QStringLiteral("Program");

    // A modal information message with one OK button.
    void inform(const QString& text, const QString& title = kProgramTitle);
    Panel& panel() { return *m_panel; }
    const Panel& panel() const { return *m_panel; }

    UserDialogs& dialogs;

    // Channel sliders and position entry.
    QGroupBox* FrameMan = nullptr;
    std::array<SlideControl*, kChannelCount> CWSlide1{};
    std::array<QLineEdit*, 2 * kChannelCount> Text1{};
    NumericField* CWNumEditTimeStep = nullptr;
    QPushButton* CommandUpdate = nullptr;
    QLabel* LabelStep = nullptr;
    QLabel* Label1 = nullptr;

    QGroupBox* FrameBuffEdit = nullptr;
    QPushButton* CommandDwn = nullptr;
    QPushButton* CommandInterpolate = nullptr;
    QPushButton* CommandUp = nullptr;
    QPushButton* CommandClear = nullptr;
    QPushButton* CommandReplace = nullptr;
    QPushButton* CommandRem = nullptr;
    QPushButton* CommandAdd = nullptr;

    QGroupBox* FrameSer = nullptr;
    EchoBox* Echo = nullptr;
    QPushButton* CommandInBuff = nullptr;

    QGroupBox* FrameFlash = nullptr;
    QPushButton* Command1 = nullptr; // "Abort"
    QPushButton* CommandErase = nullptr;
    QPushButton* CommandRead = nullptr;
    QPushButton* CommandFlash = nullptr;
    QPushButton* CommandVerify = nullptr;
    SlideControl* ProgressBarFlash = nullptr;

    QGroupBox* FrameRealEmu = nullptr;
    SwitchControl* CWButtonRealEmu = nullptr;

    QGroupBox* FramePCEmu = nullptr;
    QPushButton* CommandRepeat = nullptr;
    QPushButton* CommandContinue = nullptr;
    QPushButton* CommandResBrk = nullptr;
    QPushButton* CommandBrk = nullptr;
    SwitchControl* CWButtonEmuPC = nullptr;

    QGroupBox* FramePCDeb = nullptr;
    NumericField* CWNumEdit1 = nullptr;
    SwitchControl* CWButtonManual = nullptr;

    StepListView* ListSequence = nullptr;
    QLabel* Label2 = nullptr;
    PortChooser* ComboPort = nullptr;
    SwitchControl* CWButtonMainOnOff = nullptr;
    QPushButton* CommandStart = nullptr;
    QPushButton* CommandStop = nullptr;

    // Menus.
    QAction* menuSaveBuffer = nullptr;
    QAction* menuLoadBuffer = nullptr;
    QAction* menuQuit = nullptr;
    QAction* menuFlashProgr = nullptr;
    QAction* menuSerialDebug = nullptr;
    QAction* menuReset = nullptr;
    QAction* menuVerifyFlash = nullptr;
    QAction* menuUndo = nullptr;
    QAction* menuRedo = nullptr;

    // The timeline of the sequence, from the "View" menu; hidden at start.
    QAction* menuTimeline = nullptr;
    QAction* menuExportTimeline = nullptr;
    QDockWidget* DockTimeline = nullptr;

    // One controller per area; each owns the handlers of its controls.
    std::unique_ptr<ShellController> shell;
    std::unique_ptr<LinkController> linkControl;
    std::unique_ptr<LiveController> live;
    std::unique_ptr<SequenceController> sequence;
    std::unique_ptr<PlaybackController> playback;
    std::unique_ptr<FlashController> flash;
    std::unique_ptr<FilesController> files;
    std::unique_ptr<InterpController> interp;
    std::unique_ptr<TimelineController> timeline;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Panel> m_panel;

    QWidget* buildChannels();
    QWidget* buildSideColumn(const portmap::Lookup& lookup);
    void buildFrames();
    void buildMenus();
    void buildTimelineDock();
};
