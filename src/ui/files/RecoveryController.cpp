#include "RecoveryController.h"

#include "ui/panel/Panel.h"
#include "ui/panel/SequenceHistory.h"
#include "ui/shell/Messages.h"
#include "ui/shell/UserDialogs.h"

#include <QTimer>

#include <span>

namespace {
std::span<const StepRecord> steps(const Panel& panel) {
    return {panel.editor().table().data(), size_t(panel.list().count())};
}
} // namespace

RecoveryController::RecoveryController(Panel& panel, Messages& messages, const QString& folder)
    : m_panel(panel), m_messages(messages), m_store(folder) {}

bool RecoveryController::start() {
    if (!m_store.open()) {
        m_messages.showStatus(m_store.errorString(), 10000);
        return false;
    }
    SequenceList& list = m_panel.list();
    for (auto signal : {&SequenceList::rowsInserted, &SequenceList::rowsRemoved}) {
        connect(&list, signal, this, [this] { listTouched(); });
    }
    connect(&list, &SequenceList::rowsMoved, this, [this] { listTouched(); });
    connect(&list, &SequenceList::dataChanged, this, [this] { listTouched(); });
    connect(&list, &SequenceList::modelReset, this, [this] { listTouched(); });
    connect(&m_store, &RecoveryStore::writeFailed, this,
            [this](const QString& message) { m_messages.showStatus(message, 10000); });
    // After one Restore the others wait for the next start: a second would replace the first.
    for (const RecoveryOrphan& orphan : m_store.findOrphans(m_panel.list().locale())) {
        if (offer(orphan)) {
            break;
        }
    }
    return true;
}

void RecoveryController::stepsStored() {
    m_store.setSaved(steps(m_panel));
    m_store.listChanged(steps(m_panel));
}

// A command sets a line's breakpoint after the line's text, so the rows are read once the
// command is over.
void RecoveryController::listTouched() {
    if (m_touched) {
        return;
    }
    m_touched = true;
    QTimer::singleShot(0, this, [this] {
        m_touched = false;
        m_store.listChanged(steps(m_panel));
    });
}

bool RecoveryController::offer(const RecoveryOrphan& orphan) {
    const QString text =
        tr("The last session ended with %1 steps that were not saved.").arg(orphan.lines.size());
    if (!m_messages.dialogs().restoreRecovery(&m_messages.window(), text)) {
        m_store.discard(orphan);
        return false;
    }
    if (!m_panel.permits(interlock::Command::Load) || !m_store.adopt(orphan)) {
        return false;
    }
    const auto step = m_panel.history().step(tr("Load Buffer"));
    m_panel.editor().resetBreakPoints();
    m_panel.editor().replaceAll(orphan.lines);
    return true;
}
