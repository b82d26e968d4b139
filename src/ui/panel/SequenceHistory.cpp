#include "SequenceHistory.h"

#include "board/Board.h"
#include "core/sequence/SequenceEditor.h"

#include <QAction>
#include <QKeySequence>
#include <QUndoCommand>

#include <memory>
#include <vector>

// A command already done when it is recorded: the first redo, which QUndoStack::push runs,
// finds the sequence as it should be.
class SequenceHistory::Change : public QUndoCommand {
public:
    Change(SequenceHistory& history, const QString& text,
           std::shared_ptr<const SequenceSnapshot> before,
           std::shared_ptr<const SequenceSnapshot> after)
        : QUndoCommand(text), m_history(history), m_before(std::move(before)),
          m_after(std::move(after)), m_bytes(m_before->bytes() + m_after->bytes()) {}

    void undo() override { m_history.apply(*m_before); }
    void redo() override {
        if (m_done) {
            m_done = false;
            return;
        }
        m_history.apply(*m_after);
    }

    qint64 bytes() const { return m_bytes; }
    std::unique_ptr<Change> copy() const {
        return std::make_unique<Change>(m_history, text(), m_before, m_after);
    }

private:
    SequenceHistory& m_history;
    std::shared_ptr<const SequenceSnapshot> m_before;
    std::shared_ptr<const SequenceSnapshot> m_after;
    qint64 m_bytes;
    bool m_done = true;
};

SequenceHistory::SequenceHistory(SequenceEditor& editor, Board& board)
    : m_editor(editor), m_board(board) {
    m_stack.setUndoLimit(kStepLimit);
}

void SequenceHistory::setLabel(std::function<QString()> read,
                               std::function<void(const QString&)> write) {
    m_readLabel = std::move(read);
    m_writeLabel = std::move(write);
}

SequenceHistory::~SequenceHistory() = default;

SequenceHistory::Step::Step(SequenceHistory& history, const QString& text,
                            std::optional<SequenceSnapshot> before)
    : m_history(history), m_text(text), m_before(std::move(before)) {
    ++m_history.m_recording;
}

SequenceHistory::Step::~Step() {
    --m_history.m_recording;
    if (m_before) {
        m_history.finish(m_text, *m_before);
    }
}

SequenceHistory::Step SequenceHistory::step(const QString& text) {
    return Step(*this, text, m_recording > 0 ? std::nullopt : std::optional(current()));
}

void SequenceHistory::notePress() {
    m_atPress = current();
}

SequenceHistory::Step SequenceHistory::stepSincePress(const QString& text) {
    std::optional<SequenceSnapshot> before;
    if (m_recording == 0) {
        before = current();
        // A change made since the press was a step of its own; this one then starts from now.
        if (m_atPress && m_atPress->sameContent(*before)) {
            before->selected = m_atPress->selected;
        }
    }
    m_atPress.reset();
    return Step(*this, text, std::move(before));
}

QAction* SequenceHistory::createUndoAction(QObject* parent) {
    QAction* action = m_stack.createUndoAction(parent, tr("Undo"));
    // The stack's own connection would undo without asking the interlock.
    disconnect(action, &QAction::triggered, &m_stack, &QUndoStack::undo);
    connect(action, &QAction::triggered, this, &SequenceHistory::undo);
    action->setObjectName(QStringLiteral("menuUndo"));
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    return action;
}

QAction* SequenceHistory::createRedoAction(QObject* parent) {
    QAction* action = m_stack.createRedoAction(parent, tr("Redo"));
    disconnect(action, &QAction::triggered, &m_stack, &QUndoStack::redo);
    connect(action, &QAction::triggered, this, &SequenceHistory::redo);
    action->setObjectName(QStringLiteral("menuRedo"));
    action->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    return action;
}

// A command still being recorded (one waiting in a message box, say) would otherwise record the
// undo as part of itself.
void SequenceHistory::undo() {
    if (m_stack.canUndo() && m_recording == 0 && m_board.decide(interlock::Command::Undo).runs()) {
        m_stack.undo();
    }
}

void SequenceHistory::redo() {
    if (m_stack.canRedo() && m_recording == 0 && m_board.decide(interlock::Command::Redo).runs()) {
        m_stack.redo();
    }
}

qint64 SequenceHistory::bytes() const {
    qint64 total = 0;
    for (int i = 0; i < m_stack.count(); ++i) {
        total += change(i)->bytes();
    }
    return total;
}

void SequenceHistory::setByteLimit(qint64 bytes) {
    m_byteLimit = bytes;
}

SequenceSnapshot SequenceHistory::current() const {
    SequenceSnapshot s = m_editor.snapshot();
    if (m_readLabel) {
        s.label = m_readLabel();
    }
    return s;
}

// Only the panel's sequence changes: no step is shown, so the sliders stay and nothing is sent.
void SequenceHistory::apply(const SequenceSnapshot& snapshot) {
    m_editor.restore(snapshot);
    if (m_writeLabel) {
        m_writeLabel(snapshot.label);
    }
}

void SequenceHistory::finish(const QString& text, const SequenceSnapshot& before) {
    auto after = std::make_shared<const SequenceSnapshot>(current());
    if (after->sameContent(before)) {
        return;
    }
    m_stack.push(new Change(*this, text, std::make_shared<const SequenceSnapshot>(before),
                            std::move(after)));
    trim();
}

// QUndoStack drops its oldest commands by number only, and its limit cannot change once it
// holds any; so for the byte bound it starts again with the commands kept. Runs right after a
// push, when no step is undone.
void SequenceHistory::trim() {
    const int count = m_stack.count();
    qint64 total = bytes();
    int drop = 0;
    while (total > m_byteLimit && count - drop > 1) {
        total -= change(drop)->bytes();
        ++drop;
    }
    if (drop == 0) {
        return;
    }
    std::vector<std::unique_ptr<Change>> kept;
    for (int i = drop; i < count; ++i) {
        kept.push_back(change(i)->copy());
    }
    m_stack.clear();
    for (std::unique_ptr<Change>& command : kept) {
        m_stack.push(command.release());
    }
}

const SequenceHistory::Change* SequenceHistory::change(int index) const {
    return static_cast<const Change*>(m_stack.command(index));
}
