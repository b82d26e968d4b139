#include "ComposeController.h"

#include "core/sequence/StepClipboard.h"
#include "core/sequence/StepLine.h"
#include "ui/frames/Menus.h"
#include "ui/panel/Panel.h"
#include "ui/panel/SequenceHistory.h"
#include "ui/shell/Messages.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>

ComposeController::ComposeController(Panel& panel, Messages& messages, const Menus& menus,
                                     QLabel& stepLabel)
    : m_panel(panel), m_messages(messages), m_stepLabel(stepLabel) {
    connect(menus.cutAction, &QAction::triggered, this, [this] { cut(); });
    connect(menus.copyAction, &QAction::triggered, this, [this] { copy(); });
    connect(menus.pasteAction, &QAction::triggered, this, [this] { paste(); });
    connect(menus.duplicateAction, &QAction::triggered, this, [this] { duplicate(); });
    connect(menus.moveUpAction, &QAction::triggered, this, [this] { moveLines(-1); });
    connect(menus.moveDownAction, &QAction::triggered, this, [this] { moveLines(1); });
}

void ComposeController::cut() {
    if (!m_panel.permits(interlock::Command::Cut)) {
        return;
    }
    const QList<int> rows = m_panel.list().selectedRows();
    if (rows.isEmpty()) {
        return;
    }
    QGuiApplication::clipboard()->setText(stepclipboard::text(m_panel.list(), rows));
    const auto step = m_panel.history().step(tr("Cut"));
    if (m_panel.editor().removeRows(rows) == EditOutcome::Done) {
        showSelectedInLabel();
    }
}

// An empty selection leaves what the clipboard holds.
void ComposeController::copy() {
    const QList<int> rows = m_panel.list().selectedRows();
    if (!m_panel.permits(interlock::Command::Copy) || rows.isEmpty()) {
        return;
    }
    QGuiApplication::clipboard()->setText(stepclipboard::text(m_panel.list(), rows));
}

void ComposeController::paste() {
    if (!m_panel.permits(interlock::Command::Paste)) {
        return;
    }
    const stepclipboard::Reading reading =
        stepclipboard::read(QGuiApplication::clipboard()->text(), m_panel.list().locale());
    if (!reading.error.isEmpty()) {
        m_messages.inform(reading.error);
        return;
    }
    if (stepclipboard::overflows(reading.lines.size(), m_panel.list().count())) {
        m_messages.inform(kListFullMessage);
        return;
    }
    const auto step = m_panel.history().step(tr("Paste"));
    const int after = m_panel.list().selectedIndex();
    if (m_panel.editor().insertAfter(after, reading.lines) == EditOutcome::Done) {
        showSelectedInLabel();
    }
}

void ComposeController::duplicate() {
    if (!m_panel.permits(interlock::Command::Duplicate)) {
        return;
    }
    const auto step = m_panel.history().step(tr("Duplicate"));
    switch (m_panel.editor().duplicateRows(m_panel.list().selectedRows())) {
    case EditOutcome::Done:
        showSelectedInLabel();
        break;
    case EditOutcome::ListFull:
        m_messages.inform(kListFullMessage);
        break;
    case EditOutcome::NothingToDo:
    case EditOutcome::Unreadable:
        break;
    }
}

void ComposeController::moveLines(int by) {
    if (!m_panel.permits(interlock::Command::MoveLines)) {
        return;
    }
    const auto step = m_panel.history().step(by < 0 ? tr("Move Up") : tr("Move Down"));
    if (m_panel.editor().moveRows(m_panel.list().selectedRows(), by)) {
        showSelectedInLabel();
    }
}

void ComposeController::showSelectedInLabel() {
    m_stepLabel.setText(stepline::stepLabel(m_panel.list().selectedIndex()));
}
