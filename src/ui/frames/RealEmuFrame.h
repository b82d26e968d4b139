#pragma once

#include <QCoreApplication>

class QGroupBox;
class QWidget;
class SwitchControl;

// "Real Emulator" (menu "Advanced"): the board plays the sequence in its flash.
struct RealEmuFrame {
    Q_DECLARE_TR_FUNCTIONS(RealEmuFrame)

public:
    QGroupBox* frame = nullptr;             // FrameRealEmu, hidden at start
    SwitchControl* realEmuSwitch = nullptr; // CWButtonRealEmu, "Real Emu"

    static RealEmuFrame build(QWidget* parent);
};
