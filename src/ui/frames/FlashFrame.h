#pragma once

#include <QCoreApplication>

class QGroupBox;
class QPushButton;
class QWidget;
class SlideControl;

// "Flash Program" (menu "Advanced"): the board's flash, with the progress of a transfer.
struct FlashFrame {
    Q_DECLARE_TR_FUNCTIONS(FlashFrame)

public:
    QGroupBox* frame = nullptr;           // FrameFlash, hidden at start
    QPushButton* programButton = nullptr; // CommandFlash, "Program  Seq."
    QPushButton* readButton = nullptr;    // CommandRead, "Read Seq."
    QPushButton* verifyButton = nullptr;  // CommandVerify
    QPushButton* eraseButton = nullptr;   // CommandErase, "Erease"
    QPushButton* abortButton = nullptr;   // Command1, "Abort": enabled while a transfer runs
    SlideControl* progressBar = nullptr;  // ProgressBarFlash, shown while a transfer runs

    static FlashFrame build(QWidget* parent);
};
