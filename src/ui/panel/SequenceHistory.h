#pragma once

#include "core/sequence/SequenceSnapshot.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <functional>
#include <optional>

class Board;
class QAction;
class SequenceEditor;

// Undo and redo for the changes to the sequence, for the run only. A step holds the whole
// sequence from before and after one command, so taking it back is a restore: no command has
// to say how it is undone, and what a command did is taken back exactly, whatever it did.
class SequenceHistory : public QObject {
    Q_OBJECT
public:
    static constexpr int kStepLimit = 500;
    static constexpr qint64 kByteLimit = 64LL * 1024 * 1024;

    SequenceHistory(SequenceEditor& editor, Board& board);
    ~SequenceHistory() override;

    // The step label goes with every step; the window says how to read and set it.
    void setLabel(std::function<QString()> read, std::function<void(const QString&)> write);

    // One command being recorded: the sequence is taken when the step is made and again when it
    // goes out of scope, and a step is kept only if the two differ, so a command that is refused,
    // cancelled or finds nothing to do leaves none. A step made inside another belongs to it.
    class [[nodiscard]] Step {
    public:
        ~Step();
        Step(const Step&) = delete;
        Step& operator=(const Step&) = delete;

    private:
        friend class SequenceHistory;
        Step(SequenceHistory& history, const QString& text, std::optional<SequenceSnapshot> before);

        SequenceHistory& m_history;
        QString m_text;
        std::optional<SequenceSnapshot> m_before; // none for a step inside another
    };

    Step step(const QString& text);
    // A drag selects lines before it moves one; the line pressed is the selection to go back to.
    void notePress();
    Step stepSincePress(const QString& text);

    // "Undo <command>" and "Redo <command>", disabled when there is nothing to take back or do
    // again; both ask the interlock first.
    QAction* createUndoAction(QObject* parent);
    QAction* createRedoAction(QObject* parent);
    void undo();
    void redo();

    const QUndoStack& stack() const { return m_stack; }
    qint64 bytes() const;
    // From the next step on, the oldest steps go while the history holds more than this; the
    // newest step always stays.
    void setByteLimit(qint64 bytes);

private:
    class Change;

    const Change* change(int index) const;
    SequenceSnapshot current() const;
    void apply(const SequenceSnapshot& snapshot);
    void finish(const QString& text, const SequenceSnapshot& before);
    void trim();

    SequenceEditor& m_editor;
    Board& m_board;
    std::function<QString()> m_readLabel;
    std::function<void(const QString&)> m_writeLabel;
    QUndoStack m_stack;
    qint64 m_byteLimit = kByteLimit;
    int m_recording = 0;
    std::optional<SequenceSnapshot> m_atPress;
};
