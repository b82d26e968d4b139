#pragma once

#include "board/Board.h"
#include "link/PortMap.h"
#include "ui/frames/BufferEditFrame.h"
#include "ui/frames/ChannelsFrame.h"
#include "ui/frames/FlashFrame.h"
#include "ui/frames/Menus.h"
#include "ui/frames/PcDebugFrame.h"
#include "ui/frames/PcEmuFrame.h"
#include "ui/frames/RealEmuFrame.h"
#include "ui/frames/SerialDebugFrame.h"
#include "ui/frames/SideColumn.h"
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
class Messages;
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
    Messages& messages() { return *m_messages; }
    Panel& panel() { return *m_panel; }
    const Panel& panel() const { return *m_panel; }

    UserDialogs& dialogs;

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
    void buildTimelineDock();

    std::unique_ptr<Panel> m_panel;
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
};
