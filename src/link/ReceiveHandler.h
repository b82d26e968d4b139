#pragma once

#include "core/Declaration.h"

#include <QString>

class SerialControl;

// What the receive handler shows: the debug box and the flash progress bar.
class ReceiveView {
public:
    virtual ~ReceiveView() = default;
    virtual QString echoText() const = 0;
    virtual void setEchoText(const QString& text) = 0;
    virtual void setProgressMaximum(double maximum) = 0;
    virtual void setProgressValue(double value) = 0;
};

// Interprets every byte the board sends, by the transfer flags: acknowledgements while
// programming, the flash image while reading back, otherwise an echo of debug bytes.
class ReceiveHandler {
public:
    ReceiveHandler(Declaration& declaration, SerialControl& comm, ReceiveView& view);

    void MSComm1_OnComm();

    static inline const QString kError = QStringLiteral("Error!");
    static inline const QString kOverflow = QStringLiteral("Overflow!");

private:
    void acknowledgement();
    void echo();
    void flashRead();

    Declaration& m_d;
    SerialControl& m_comm;
    ReceiveView& m_view;
};
