#include "FlashProgram.h"

#include "Board.h"
#include "ChannelMoves.h"

#include "core/BoardCommands.h"
#include "core/flash/FlashImage.h"
#include "link/SerialControl.h"

FlashProgram::FlashProgram(Board& board, QObject* parent) : Transfer(board, parent) {
}

QString FlashProgram::lostText() {
    return tr("The connection was lost during programming. The board's flash is incomplete: "
              "program the sequence again when the board is back.");
}

QString FlashProgram::limitedNote(int values) {
    if (values == 1) {
        return tr("1 value lies outside the channel limits and is written at its limit.");
    }
    return tr("%1 values lie outside the channel limits and are written at the limits.")
        .arg(values);
}

void FlashProgram::start(const SequenceTable& table, int lines, bool pcControlOn) {
    if (isRunning()) {
        return;
    }
    if (!board().portOpen()) {
        refuse(Board::kNoConnection);
        return;
    }
    // An image the board cannot hold must not reach its flash at all.
    if (const auto bad = flashimage::findUnstorable(table, lines)) {
        refuse(flashimage::unstorableMessage(*bad));
        return;
    }
    m_valuesLimited = board().moves().channelSetup().valuesLimited(table, lines);
    if (m_valuesLimited > 0) {
        emit note(limitedNote(m_valuesLimited));
    }
    board().showEcho(QString());
    if (pcControlOn) {
        board().link().PcControlOff();
    }
    begin();
    setProgress(0);
    setProgressMaximum(lines - 1);
    for (int s = 0; s < lines; ++s) {
        m_image[size_t(s)] = board().moves().imageStep(table[size_t(s)]);
    }
    m_count = flashimage::byteCount(lines);
    m_sent = 0;
    m_divisor = flashimage::progressDivisor(lines);
    m_headerAcknowledged = false;
    takeLine();
    if (sendByte(board::FlashProgram) && sendByte(static_cast<quint8>(m_count / 256))) {
        sendByte(static_cast<quint8>(m_count % 256));
    }
}

void FlashProgram::received() {
    const QByteArray reply = board().serial().input();
    if (reply.isEmpty()) {
        return;
    }
    if (static_cast<quint8>(reply.at(0)) != board::Ack) {
        board().showEcho(Board::kError); // and the wait for 255 goes on
        return;
    }
    m_headerAcknowledged = true;
    sendBlock();
}

void FlashProgram::sendBlock() {
    while (m_sent < m_count) {
        const int i = m_sent;
        if (!sendByte(flashimage::wireByte(m_image, i))) {
            return;
        }
        ++m_sent;
        if (i % m_divisor == 0) {
            setProgress(i / double(kFlashStepBytes));
        }
        if (flashimage::blockEnds(m_sent)) {
            return; // its acknowledgement first
        }
    }
    end(State::Done, kProgrammed);
}

void FlashProgram::lineLost() {
    end(State::Failed, lostText());
}

// Nothing goes to the board: it is left as its firmware keeps an unfinished transfer.
void FlashProgram::onAbort() {
    end(State::Aborted,
        m_headerAcknowledged ? kBlockAbortPrefix + QString::number(m_sent - 1) : kHeaderAbort);
}
