#pragma once

#include "ui/frames/ChannelsFrame.h"
#include "ui/frames/PlaybackSwitches.h"

#include <QObject>
#include <QString>

#include <functional>

class Messages;
class NumericField;
class QLabel;
class Panel;
class PcPlayback;
class SwitchControl;
struct PcDebugFrame;
struct PcEmuFrame;

// The switches and buttons of PC playback, with each step's own time ("PC Emu", halting on
// breakpoints) or one fixed time ("PC Seq"), and the centring of all channels. The playing
// itself is the board's PC playback; this shows what it reports.
class PlaybackController : public QObject {
    Q_OBJECT
public:
    // Puts a step on the sliders, as the list does.
    using ShowStep = std::function<void(int step)>;

    PlaybackController(Panel& panel, Messages& messages, const ChannelsFrame& channels,
                       const PcEmuFrame& pcEmu, const PcDebugFrame& pcDebug,
                       PlaybackSwitches switches, ShowStep showStep, QLabel& stateField);
    ~PlaybackController() override;

    // "PC Emu": each step's own time, halting on breakpoints.
    void switchPcEmu(bool on);
    // A tick of the playback clock.
    void clockTick();
    void repeat();
    // "Continue" after a halt.
    void resume();

    // "PC Seq": one fixed time a step.
    void switchPcSeq(bool on);
    void setFixedStepTime(double ms);
    // The channels' "Reset".
    void centreAll();

private:
    // False when the port is closed: the user is told, and a switch turned on goes back off.
    bool connectionAvailable(SwitchControl* mode, bool on);
    // While one mode runs the other two are locked; switching any off frees all three.
    void excludeOtherModes(SwitchControl* mode, bool on);
    // A step played: its duration and number.
    void showPlayed(int step);
    // The state field: the step playing, or nothing when no playback runs.
    void showPlaying();

    Panel& m_panel;
    Messages& m_messages;
    PcPlayback& m_playback;
    ChannelsFrame m_channels;
    NumericField& m_fixedStepTime;
    PlaybackSwitches m_switches;
    ShowStep m_showStep;
    QLabel& m_stateField;
};
