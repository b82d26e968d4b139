#pragma once

#include "core/StepRecord.h"

#include <QObject>

class Form1;
class QKeyEvent;
class QLineEdit;

// The twelve channel sliders with their offset and angle boxes, and PC control of the servos.
class LiveController : public QObject {
    Q_OBJECT
public:
    explicit LiveController(Form1& form);

    // Every move of slider `index`, by the user or from code: the position goes to the board
    // (or waits for a transfer to end) and both boxes of the channel follow.
    void CWSlide1_PointerValueChanged(int index, double value);
    // `key` is a character code; it comes back 0 when the box discards the key. 13 commits.
    void Text1_KeyPress(int index, int& key);
    void Text1_LostFocus(int index);

    void CWButtonMainOnOff_ValueChanged(bool on);
    void CommandStart_Click();
    void CommandStop_Click();

    // PC control off while the port is open; also the window's shutdown work.
    void pcOff();

    // Sends every channel whose slider the board is not known to hold: a slider set to the
    // value it already has raises no change, yet playback or a reset may have left the servo
    // elsewhere.
    void syncBoard();

    static constexpr int kEnter = 13;
    static constexpr int kBackspace = 8;
    static constexpr int kMinus = 45;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int boxIndex(const QObject* box) const;
    void commitOffset(int channel);

    Form1& m_form;
};
