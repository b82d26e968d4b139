#pragma once

#include <QCoreApplication>

class NumericField;
class QGroupBox;
class QWidget;
class SwitchControl;

// "PC Sequence Debug": PC playback at one fixed time a step.
struct PcDebugFrame {
    Q_DECLARE_TR_FUNCTIONS(PcDebugFrame)

public:
    QGroupBox* frame = nullptr;            // FramePCDeb
    NumericField* fixedStepTime = nullptr; // CWNumEdit1
    SwitchControl* pcSeqSwitch = nullptr;  // CWButtonManual, "PC Seq"

    static PcDebugFrame build(QWidget* parent);
};
