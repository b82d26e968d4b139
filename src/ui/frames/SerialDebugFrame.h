#pragma once

#include <QCoreApplication>

class EchoBox;
class QGroupBox;
class QPushButton;
class QWidget;

// "Serial Comm Debug" (menu "Advanced"): the last byte from the board and the receive buffer.
struct SerialDebugFrame {
    Q_DECLARE_TR_FUNCTIONS(SerialDebugFrame)

public:
    QGroupBox* frame = nullptr;            // FrameSer, hidden at start
    EchoBox* echoBox = nullptr;            // Echo
    QPushButton* inBufferButton = nullptr; // CommandInBuff, "InBuff"

    static SerialDebugFrame build(QWidget* parent);
};
