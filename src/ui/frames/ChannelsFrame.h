#pragma once

#include "core/StepRecord.h"

#include <QCoreApplication>

#include <array>

class NumericField;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class SlideControl;

// The twelve channels, each a slider with its offset box and angle box, and below them the
// step's duration, the step shown and the centring of every channel.
struct ChannelsFrame {
    Q_DECLARE_TR_FUNCTIONS(ChannelsFrame)

public:
    QGroupBox* frame = nullptr;                          // FrameMan
    std::array<SlideControl*, kChannelCount> sliders{};  // CWSlide1_0 … CWSlide1_11
    std::array<QLineEdit*, kChannelCount> offsetBoxes{}; // Text1_0 … Text1_11
    std::array<QLineEdit*, kChannelCount> angleBoxes{};  // Text1_12 … Text1_23, read-only
    QLabel* durationLabel = nullptr;                     // Label1
    NumericField* stepDuration = nullptr;                // CWNumEditTimeStep
    QLabel* stepLabel = nullptr;                         // LabelStep, "Step N° …"
    QPushButton* resetButton = nullptr;                  // CommandUpdate, "Reset"

    static ChannelsFrame build(QWidget* parent);
    std::array<double, kChannelCount> positions() const;
};
