#pragma once

#include "core/StepRecord.h"
#include "core/sequence/SequenceList.h"
#include "core/sequence/SequenceSnapshot.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

inline const QString kListFullMessage =
    QStringLiteral("Impossible add other lines, max # of lines is 1024!");

// What an editing command did, so the window knows whether to show the list-full message
// (ListFull) and whether to set the step label from the selected index (Done).
enum class EditOutcome {
    Done,
    NothingToDo,
    ListFull,
    Unreadable, // a given line cannot be read back; nothing changed
};

// The editing commands and the breakpoints of the step list, and the step table that playback,
// the flash and the files read: after every command, columns 0..12 of row i hold ParseStepLine
// of line i, and a row's breakpoint flag is set exactly when its line carries the mark. The
// table has one row more than the list admits; rows past the list keep what they last held.
class SequenceEditor {
public:
    explicit SequenceEditor(SequenceList& list);

    SequenceList& list() { return m_list; }
    const SequenceList& list() const { return m_list; }
    const SequenceTable& table() const { return *m_table; }
    const StepRecord& step(int index) const;

    // Columns 0..12 of the list's rows from its lines; the flags stay.
    void rebuildTable();
    // Every flag of the table and every mark of the list goes.
    void resetBreakPoints();
    // Set/Reset Break on the selected line; false when no line is selected.
    bool toggleBreak();

    // The line comes from the entry controls in the Add form. Done means the new line is
    // selected and the label shows the selected index.
    EditOutcome add(const QString& line);
    // Done: the label shows the selected index (-1 when the list became empty).
    EditOutcome remove();
    EditOutcome replace(const QString& line);
    void clearAll();

    // The index ShowStep must show, or nullopt when nothing is to be shown.
    std::optional<int> next();
    std::optional<int> previous();

    // The mouse on the list, with the line under the pointer (-1 for none): the press records
    // it as the line dragged from, the release moves that line to the one under the pointer
    // now. True when a line moved.
    void pressOnList(int row);
    int dragFrom() const { return m_dragFrom; }
    bool releaseOnList(int row);
    bool dragMove(int from, int to);

    // Several lines at once. Each keeps every breakpoint with its line (mark and flag), and
    // leaves the selection on the lines it names below.

    // The rows go; the line that takes the first one's place (or the new last line, or none)
    // becomes the only one selected. NothingToDo when no rows are given or one is out of range.
    EditOutcome removeRows(const QList<int>& rows);
    // Paste: the lines go in after row (at the top for -1), without breakpoint marks, and are
    // selected with the last of them current, so a following Add or paste continues after the
    // block. ListFull when they would pass kMaxLines; nothing changes then.
    EditOutcome insertAfter(int row, const QStringList& lines);
    // Copies of the rows' lines, in list order and without marks, go in after the last of them.
    EditOutcome duplicateRows(const QList<int>& rows);
    // Moves the rows one line up (by -1) or down (by 1); the selection stays on its lines. A
    // block of adjacent rows against the top (bottom) stays where it is, the other blocks move.
    // True when a line moved.
    bool moveRows(const QList<int>& rows, int by);

    // Interpolation: the line at index gives way to a block of lines, which starts selected.
    // The replaced line's breakpoint is gone; lines after the block keep theirs.
    EditOutcome replaceLineWith(int index, const QStringList& newLines);
    // Flash read-back and load: the whole list is replaced and no line is selected.
    EditOutcome replaceAll(const QStringList& lines);

    // Undo and redo: the sequence as it is (the label is the window's to fill in), and the
    // sequence put back as it was, the table re-derived and nothing shown. False when a line of
    // the snapshot cannot be read; nothing changes then.
    SequenceSnapshot snapshot() const;
    bool restore(const SequenceSnapshot& snapshot);

private:
    qint32& breakFlag(int row) { return (*m_table)[row][kBreakField]; }
    // The flag of row from goes to row to; the flags between shift one row towards from.
    void moveBreakFlag(int from, int to);

    SequenceList& m_list;
    std::unique_ptr<SequenceTable> m_table = std::make_unique<SequenceTable>();
    int m_dragFrom = 0;
};
