#include "ReceiveHandler.h"

#include "BoardWait.h"
#include "SerialControl.h"
#include "core/BoardCommands.h"

ReceiveHandler::ReceiveHandler(Declaration& declaration, SerialControl& comm, ReceiveView& view)
    : m_d(declaration), m_comm(comm), m_view(view) {}

void ReceiveHandler::MSComm1_OnComm() {
    if (m_comm.commEvent() != SerialControl::comEvReceive) {
        return;
    }
    if (m_d.AwaitingAck) {
        acknowledgement();
    } else if (!m_d.ReadingFlash) {
        echo();
    } else {
        flashRead();
    }
}

void ReceiveHandler::acknowledgement() {
    const QByteArray received = m_comm.input();
    if (received.isEmpty()) {
        return;
    }
    if (static_cast<quint8>(received.at(0)) == board::Ack) {
        m_d.ReplyDone = true;
    } else {
        m_view.setEchoText(kError);
    }
}

void ReceiveHandler::echo() {
    const QByteArray received = m_comm.input();
    if (!received.isEmpty()) {
        m_view.setEchoText(QString::number(static_cast<quint8>(received.at(0))));
    }
}

void ReceiveHandler::flashRead() {
    const QByteArray header = m_comm.input();
    if (header.size() < 2) {
        return; // the header phase reads two bytes at a time; wait for the second
    }
    m_comm.setRThreshold(0);
    m_d.FlashByteCount = static_cast<quint8>(header.at(0)) * 256 + static_cast<quint8>(header.at(1));
    m_view.setProgressMaximum(m_d.FlashByteCount - 1);
    if (m_d.FlashByteCount > kFlashImageMax) {
        m_d.FlashByteCount = kFlashImageMax;
        m_view.setEchoText(kOverflow);
    }
    m_comm.setInputLen(0);
    if (m_d.FlashByteCount == 0) {
        m_d.ReplyDone = true;
        return;
    }

    bool keepWhatArrived = false;
    const auto complete = [&] {
        m_view.setProgressValue(m_comm.inBufferCount());
        return m_comm.inBufferCount() == m_d.FlashByteCount;
    };
    switch (boardwait::waitUntil(complete, m_d, m_comm)) {
    case boardwait::End::Done:
        break;
    case boardwait::End::Aborted:
        if (m_view.echoText() != kOverflow) {
            return; // the read is discarded; the waiting operation handles the abort
        }
        keepWhatArrived = true;
        break;
    case boardwait::End::PortLost:
    case boardwait::End::Closing:
        return;
    }

    const QByteArray data = m_comm.input();
    if (keepWhatArrived) {
        m_d.FlashByteCount = static_cast<qint32>(data.size());
    }
    m_d.FlashByteCount = qMin(m_d.FlashByteCount, kFlashImageMax);
    const int stored = qMin<int>(m_d.FlashByteCount, static_cast<int>(data.size()));
    for (int i = 0; i < stored; ++i) {
        m_d.FlashImage[i / kFlashStepBytes][i % kFlashStepBytes] = static_cast<quint8>(data.at(i));
    }
    m_d.ReplyDone = true;
}
