#pragma once

#include <QMetaObject>
#include <QString>
#include <QtGlobal>

#include <vector>

class Form1;
class PcPlayback;
class SwitchControl;

// The switches and buttons of PC playback, with each step's own time ("PC Emu", halting on
// breakpoints) or one fixed time ("PC Seq"), and the centring of all channels. The playing
// itself is the board's PC playback; this shows what it reports.
class PlaybackController {
public:
    explicit PlaybackController(Form1& form);
    ~PlaybackController();
    PlaybackController(const PlaybackController&) = delete;
    PlaybackController& operator=(const PlaybackController&) = delete;

    void CWButtonEmuPC_ValueChanged(bool on);
    void HiTimer1_Timer();
    void CommandRepeat_Click();
    void CommandContinue_Click();

    void CWButtonManual_ValueChanged(bool on);
    void CWNumEdit1_ValueChanged(double value);
    void CommandUpdate_Click();

private:
    // False when the port is closed: the user is told, and a switch turned on goes back off.
    bool connectionAvailable(SwitchControl* mode, bool on);
    // While one mode runs the other two are locked; switching any off frees all three.
    void excludeOtherModes(SwitchControl* mode, bool on);
    // PlayStep's part on the window: the step's duration and number.
    void showPlayed(int step);

    Form1& m_form;
    PcPlayback& m_playback;
    std::vector<QMetaObject::Connection> m_connections;
};
