#pragma once

#include "FlashRead.h"
#include "Operation.h"

#include "core/StepRecord.h"

#include <QLocale>

#include <memory>

// Tells whether the board's flash holds the list: reads it exactly as "Read Seq." does and
// compares what came with what programming would write. The list is never changed.
class FlashVerify : public Operation {
    Q_OBJECT
public:
    explicit FlashVerify(Board& board, QObject* parent = nullptr);

    // Rows 0..lines - 1 of the table; a list that programming would refuse is named as such
    // before anything is read.
    void start(const SequenceTable& table, int lines, const QLocale& locale = QLocale());

    const FlashRead& read() const { return m_read; }

private:
    void onAbort() override { m_read.abort(); }
    void readEnded(State state, const QString& message);

    Board& m_board;
    FlashRead m_read;
    std::unique_ptr<SequenceTable> m_table = std::make_unique<SequenceTable>();
    int m_lines = 0;
    QLocale m_locale;
};
