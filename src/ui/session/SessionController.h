#pragma once

#include "ui/frames/PlaybackSwitches.h"

#include <QObject>

class Panel;
class QWidget;
class SwitchControl;
struct FlashFrame;
struct Menus;
struct RealEmuFrame;
struct SerialDebugFrame;

// The window's run from start-up to shutdown, "Quit" among it, and the rest of the "Advanced"
// menu: the frames it shows and the board's reset.
class SessionController : public QObject {
    Q_OBJECT
public:
    SessionController(Panel& panel, QWidget& window, const Menus& menus, const FlashFrame& flash,
                      const RealEmuFrame& realEmu, const SerialDebugFrame& serialDebug,
                      SwitchControl& pcControlSwitch, PlaybackSwitches playbackSwitches);

    void start();
    // The window is being closed by the user.
    void windowClosing();
    // The window is going away.
    void teardown();

    // "Flash Progr": the flash frame and the board's own playback.
    void showFlashFrames(bool shown);
    void showSerialDebug(bool shown);
    // The board's reset; every switch goes off as if the user had switched it.
    void resetBoard();
    void quit();

private:
    void endRun();

    Panel& m_panel;
    QWidget& m_window;
    QWidget* m_flashFrame;
    QWidget* m_realEmuFrame;
    QWidget* m_serialDebugFrame;
    SwitchControl& m_pcControlSwitch;
    PlaybackSwitches m_playbackSwitches;
    // After Quit nothing else of the window runs, the shutdown work included.
    bool m_ended = false;
};
