#include "FlashRead.h"

#include "Board.h"

#include "core/BoardCommands.h"
#include "link/SerialControl.h"

FlashRead::FlashRead(Board& board, QObject* parent) : Transfer(board, parent) {
}

QString FlashRead::lostText() {
    return tr("The connection was lost while reading the flash. The list is unchanged.");
}

void FlashRead::start() {
    if (isRunning()) {
        return;
    }
    m_headerRead = false;
    m_overflow = false;
    m_hasImage = false;
    m_complete = false;
    // Without a board there is nothing to read; an old image must not pass for its flash.
    if (!board().portOpen()) {
        refuse(Board::kNoConnection);
        return;
    }
    board().showEcho(QString());
    SerialControl& serial = board().serial();
    serial.setInputLen(0);
    serial.input();
    // The header comes as one read of two bytes.
    serial.setInputLen(2);
    serial.setRThreshold(2);
    serial.setInputMode(SerialControl::InputMode::Binary);
    begin();
    takeLine();
    sendByte(board::FlashRead);
}

void FlashRead::received() {
    if (m_headerRead) {
        takeData();
        return;
    }
    SerialControl& serial = board().serial();
    const QByteArray header = serial.input();
    if (header.size() < 2) {
        return;
    }
    m_headerRead = true;
    m_announced = static_cast<quint8>(header.at(0)) * 256 + static_cast<quint8>(header.at(1));
    m_count = m_announced;
    setProgressMaximum(m_count - 1);
    if (m_count > kFlashImageMax) {
        m_count = kFlashImageMax;
        m_overflow = true;
        board().showEcho(Board::kOverflow);
    }
    // The data is taken in one read once it is all there; until then every arrival only
    // moves the progress on.
    serial.setInputLen(0);
    serial.setRThreshold(1);
    takeData();
}

void FlashRead::takeData() {
    SerialControl& serial = board().serial();
    if (m_count > 0) {
        setProgress(serial.inBufferCount());
        // Exactly the count: a board that sends more than it announced is not believed.
        if (serial.inBufferCount() != m_count) {
            return;
        }
        store(serial.input());
    }
    m_hasImage = true;
    m_complete = true;
    endRead(State::Done, flashimage::readRows(m_count) > 0 ? kRead : kNothingToRead);
}

void FlashRead::store(const QByteArray& data) {
    m_count = qMin<qint32>(qint32(data.size()), kFlashImageMax);
    for (int i = 0; i < m_count; ++i) {
        m_image[size_t(i / kFlashStepBytes)][size_t(i % kFlashStepBytes)] =
            static_cast<quint8>(data.at(i));
    }
    m_hasImage = true;
}

void FlashRead::onAbort() {
    // After an overflow the exact count may never come: what has arrived is kept.
    if (m_headerRead && m_overflow) {
        store(board().serial().input());
        endRead(State::Aborted, flashimage::readRows(m_count) > 0 ? kRead : kNothingToRead);
        return;
    }
    endRead(State::Aborted, QString());
}

void FlashRead::lineLost() {
    endRead(State::Failed, lostText());
}

void FlashRead::restoreReceiving() {
    SerialControl& serial = board().serial();
    serial.setInputLen(0);
    if (serial.portOpen()) {
        serial.input();
    }
    serial.setInputLen(1);
    serial.setRThreshold(1);
    serial.setInputMode(SerialControl::InputMode::Binary);
}

void FlashRead::endRead(State state, const QString& message) {
    restoreReceiving();
    end(state, message);
}
