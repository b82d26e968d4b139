#include "FlashVerify.h"

#include "Board.h"
#include "ChannelMoves.h"

#include "core/flash/FlashImage.h"

FlashVerify::FlashVerify(Board& board, QObject* parent)
    : Operation(parent), m_board(board), m_read(board) {
    connect(&m_read, &Operation::progressChanged, this, &FlashVerify::setProgress);
    connect(&m_read, &Operation::progressMaximumChanged, this, &FlashVerify::setProgressMaximum);
    connect(&m_read, &Operation::finished, this, &FlashVerify::readEnded);
}

void FlashVerify::start(const SequenceTable& table, int lines, const QLocale& locale) {
    if (isRunning()) {
        return;
    }
    if (!m_board.portOpen()) {
        refuse(Board::kNoConnection);
        return;
    }
    // A list that programming would refuse cannot be what the flash holds.
    if (const auto bad = flashimage::findUnstorable(table, lines)) {
        refuse(flashimage::unstorableMessage(*bad));
        return;
    }
    // Compared with what programming writes: the positions at their limits.
    const ChannelMoves& moves = m_board.moves();
    for (int s = 0; s < qBound(0, lines, kTableRows); ++s) {
        (*m_table)[size_t(s)] = moves.gated(table[size_t(s)]);
    }
    m_lines = lines;
    m_locale = locale;
    begin();
    m_read.start();
}

void FlashVerify::readEnded(State state, const QString& message) {
    if (state == State::Failed || m_board.closing()) {
        finish(state, message); // the connection went, or the front end is going
        return;
    }
    // Only a read that ended by itself can tell; the comparison says so otherwise.
    const flashimage::ReadBack read =
        m_read.hasImage() ? m_read.readBack() : flashimage::ReadBack{};
    const flashimage::Comparison comparison =
        flashimage::compareImage(*m_table, m_lines, m_read.image(), read);
    const ChannelSetup& setup = m_board.moves().channelSetup();
    QStringList labels;
    for (int c = 0; c < kChannelCount; ++c) {
        labels.append(setup.label(c));
    }
    finish(state, flashimage::comparisonMessage(comparison, m_locale, labels));
}
