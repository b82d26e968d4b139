#pragma once

#include <QMetaObject>
#include <QString>
#include <QtGlobal>

#include <vector>

class Form1;
class SwitchControl;

// PC playback of the sequence, with each step's own time ("PC Emu", halting on breakpoints)
// or one fixed time ("PC Seq"), and the centring of all channels.
class PlaybackController {
public:
    explicit PlaybackController(Form1& form);
    ~PlaybackController();
    PlaybackController(const PlaybackController&) = delete;
    PlaybackController& operator=(const PlaybackController&) = delete;

    void CWButtonEmuPC_ValueChanged(bool on);
    void HiTimer1_Timer();
    // Sends the selected step as one ChannelBurst and shows its duration and number.
    void PlayStep(qint16& step);
    void CommandRepeat_Click();
    void CommandContinue_Click();

    void CWButtonManual_ValueChanged(bool on);
    void CWNumEdit1_ValueChanged(double value);
    void CommandUpdate_Click();

    // The status-bar note when steps are shorter than one burst's wire time (ms rounded up).
    static QString shortStepsNote(int steps, int burstMs);

private:
    // False when the port is closed: the user is told, and a switch turned on goes back off.
    bool connectionAvailable(SwitchControl* mode, bool on);
    // While one mode runs the other two are locked; switching any off frees all three.
    void excludeOtherModes(SwitchControl* mode, bool on);
    // The selected line, after selecting line 0 if none was; -1 for an empty list.
    int selectStartLine();
    qint32 duration(int step) const;
    void setIntervalToStep(int step);
    // Says once, at the start, how many steps the line cannot keep to their time.
    void noteShortSteps(bool fixedTime);

    Form1& m_form;
    std::vector<QMetaObject::Connection> m_connections;
};
