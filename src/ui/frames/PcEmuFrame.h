#pragma once

#include <QCoreApplication>

class QGroupBox;
class QPushButton;
class QWidget;
class SwitchControl;

// "PC Sequence Emulator": PC playback with each step's own time, halting on breakpoints.
struct PcEmuFrame {
    Q_DECLARE_TR_FUNCTIONS(PcEmuFrame)

public:
    QGroupBox* frame = nullptr;               // FramePCEmu
    QPushButton* repeatButton = nullptr;      // CommandRepeat
    QPushButton* continueButton = nullptr;    // CommandContinue
    QPushButton* breakButton = nullptr;       // CommandBrk, "Set/Reset Break"
    QPushButton* resetBreaksButton = nullptr; // CommandResBrk, "Reset  All Break"
    SwitchControl* pcEmuSwitch = nullptr;     // CWButtonEmuPC, "PC Emu"

    static PcEmuFrame build(QWidget* parent);
};
