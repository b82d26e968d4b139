#pragma once

#include "core/Declaration.h"
#include "core/sequence/SequenceList.h"
#include "core/sequence/SequenceSnapshot.h"

#include <QString>
#include <QStringList>

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

// The editing commands and the breakpoints of the step list, keeping the list and the step
// table in step: after every command, columns 0..12 of row i hold ParseStepLine of line i, and
// a row's BreakFlag is set exactly when its line carries the breakpoint mark.
class SequenceEditor {
public:
    SequenceEditor(SequenceList& list, Declaration& declaration);

    SequenceList& list() { return m_list; }
    const StepRecord& step(int index) const;

    void RebuildSequenceBuffer();
    void ResetBreakPoints();
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
    // it in DragFromIndex, the release moves that line to the one under the pointer now. True
    // when a line moved.
    void pressOnList(int row);
    bool releaseOnList(int row);
    bool dragMove(int from, int to);

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
    qint32& breakFlag(int row) { return m_declaration.SequenceBuffer[row][kBreakField]; }

    SequenceList& m_list;
    Declaration& m_declaration;
};
