#pragma once

#include "link/PortMap.h"
#include "link/SerialTransport.h"
#include "ui/frames/BufferEditFrame.h"
#include "ui/frames/ChannelsFrame.h"
#include "ui/frames/FlashFrame.h"
#include "ui/frames/Menus.h"
#include "ui/frames/PcDebugFrame.h"
#include "ui/frames/PcEmuFrame.h"
#include "ui/frames/RealEmuFrame.h"
#include "ui/frames/SerialDebugFrame.h"
#include "ui/frames/SideColumn.h"

#include <QMainWindow>
#include <QStringList>

#include <memory>

class QDockWidget;
class QLabel;

class RememberingDialogs;

class FilesController;
class FlashController;
class InterpController;
class LinkController;
class LiveController;
class ComposeController;
class Messages;
class Panel;
class PlaybackController;
class RecoveryController;
class SequenceController;
class SessionController;
class SetupController;
class TimelineController;
class UserDialogs;

// The panel's one window: it builds the frames over the panel's state, makes one controller
// per area and wires them. It holds no logic of its own.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // The lookup says what each port number leads to; a function giving a device path will do.
    MainWindow(std::unique_ptr<SerialTransport> transport, portmap::Lookup lookup,
               UserDialogs& dialogs, QWidget* parent = nullptr);
    ~MainWindow() override;

    static inline const QString kTitle = QStringLiteral("Tessarel V 2.5");
    // Where the window's size and place and the docks' layout are kept in the settings.
    static inline const QString kGeometryKey = QStringLiteral("window/geometry");
    static inline const QString kStateKey = QStringLiteral("window/state");

    // Shows the window as it was left, or at its first size: 1280×800 where the screen has room
    // for that and a frame, else maximised, so the status bar never lies under the screen's edge.
    void showAtStart();

    Panel& panel() { return *m_panel; }
    const Panel& panel() const { return *m_panel; }
    Messages& messages() { return *m_messages; }

    const ChannelsFrame& channelsFrame() const { return m_channels; }
    const BufferEditFrame& bufferEditFrame() const { return m_bufferEdit; }
    const SerialDebugFrame& serialDebugFrame() const { return m_serialDebug; }
    const FlashFrame& flashFrame() const { return m_flash; }
    const RealEmuFrame& realEmuFrame() const { return m_realEmu; }
    const PcEmuFrame& pcEmuFrame() const { return m_pcEmu; }
    const PcDebugFrame& pcDebugFrame() const { return m_pcDebug; }
    const SideColumn& sideColumn() const { return m_side; }
    const Menus& menus() const { return m_menus; }
    // The timeline of the sequence, from the "View" menu; hidden at start.
    QDockWidget* timelineDock() const { return m_timelineDock; }
    // The permanent field on the status bar: "Not connected", "Connected: …", "Connection lost".
    QLabel* connectionField() const { return m_connectionField; }
    // The permanent field saying which step PC playback plays, or where it halted.
    QLabel* playbackField() const { return m_playbackField; }

    SessionController& sessionController() const { return *m_session; }
    LinkController& linkController() const { return *m_link; }
    LiveController& liveController() const { return *m_live; }
    SequenceController& sequenceController() const { return *m_sequence; }
    PlaybackController& playbackController() const { return *m_playback; }
    FlashController& flashController() const { return *m_flashControl; }
    FilesController& filesController() const { return *m_files; }
    InterpController& interpController() const { return *m_interp; }
    TimelineController& timelineController() const { return *m_timeline; }
    SetupController& setupController() const { return *m_setup; }
    ComposeController& composeController() const { return *m_compose; }

    // Keeps a recovery copy of the unsaved steps in folder (empty: the user's state folder) and
    // offers the steps a panel that no longer runs left there. Off unless called, so a window
    // made by a test keeps no copy.
    void keepRecovery(const QString& folder = QString());
    RecoveryController* recoveryController() const { return m_recovery.get(); }

    // Loads the file the command line names (the program's own name first), as "Load Buffer"
    // would; a command line without one leaves the list as it is.
    void openFromCommandLine(const QStringList& arguments);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildFrames(const portmap::Lookup& lookup);
    void layOut(QWidget& central);
    void buildMenus();
    void buildTimelineDock();
    void makeControllers();
    void orderTabChain();

    std::unique_ptr<Panel> m_panel;
    std::unique_ptr<RememberingDialogs> m_dialogs;
    std::unique_ptr<Messages> m_messages;

    ChannelsFrame m_channels;
    BufferEditFrame m_bufferEdit;
    SerialDebugFrame m_serialDebug;
    FlashFrame m_flash;
    RealEmuFrame m_realEmu;
    PcEmuFrame m_pcEmu;
    PcDebugFrame m_pcDebug;
    SideColumn m_side;
    Menus m_menus;
    QDockWidget* m_timelineDock = nullptr;
    QLabel* m_connectionField = nullptr;
    bool m_geometryRestored = false;
    QLabel* m_playbackField = nullptr;

    // Declared after what they hold references into, so they go first, the last made first.
    std::unique_ptr<SessionController> m_session;
    std::unique_ptr<LinkController> m_link;
    std::unique_ptr<LiveController> m_live;
    std::unique_ptr<SequenceController> m_sequence;
    std::unique_ptr<PlaybackController> m_playback;
    std::unique_ptr<FlashController> m_flashControl;
    std::unique_ptr<FilesController> m_files;
    std::unique_ptr<InterpController> m_interp;
    std::unique_ptr<TimelineController> m_timeline;
    std::unique_ptr<SetupController> m_setup;
    std::unique_ptr<ComposeController> m_compose;
    std::unique_ptr<RecoveryController> m_recovery;
};
