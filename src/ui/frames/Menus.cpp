#include "Menus.h"

#include "ui/panel/SequenceHistory.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace {

QAction* addNamed(QMenu* menu, const QString& text, const QString& name, bool checkable = false) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    action->setCheckable(checkable);
    return action;
}

} // namespace

Menus Menus::build(QMenuBar& bar, SequenceHistory& history) {
    Menus m;
    QMenu* file = bar.addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("menuFile"));
    m.saveAction = addNamed(file, tr("Sa&ve"), QStringLiteral("menuSave"));
    m.saveAction->setShortcut(QKeySequence::Save);
    m.saveBufferAction = addNamed(file, tr("&Save Buffer"), QStringLiteral("menuSaveBuffer"));
    m.saveBufferAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    m.loadBufferAction = addNamed(file, tr("&Load Buffer"), QStringLiteral("menuLoadBuffer"));
    m.loadBufferAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m.openRecentMenu = file->addMenu(tr("Open &Recent"));
    m.openRecentMenu->setObjectName(QStringLiteral("menuOpenRecent"));
    file->addSeparator();
    m.quitAction = addNamed(file, tr("&Quit"), QStringLiteral("menuQuit"));
    m.quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* edit = bar.addMenu(tr("&Edit"));
    edit->setObjectName(QStringLiteral("menuEdit"));
    m.undoAction = history.createUndoAction(edit);
    m.redoAction = history.createRedoAction(edit);
    edit->addAction(m.undoAction);
    edit->addAction(m.redoAction);

    // Add and Replace as the buttons do them, without taking the keys from the slider.
    edit->addSeparator();
    m.addStepAction =
        addNamed(edit, tr("&Add Step"), QStringLiteral("menuAddStep"));
    m.addStepAction->setShortcut(QKeySequence(Qt::Key_Insert));
    m.replaceStepAction =
        addNamed(edit, tr("&Replace Step"), QStringLiteral("menuReplaceStep"));
    m.replaceStepAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));

    // The selected lines.
    edit->addSeparator();
    const auto lines = [edit](const QString& text, const QString& name, const QKeySequence& key) {
        QAction* action = addNamed(edit, text, name);
        action->setShortcut(key);
        return action;
    };
    m.cutAction = lines(tr("Cu&t"), QStringLiteral("menuCut"), QKeySequence::Cut);
    m.copyAction = lines(tr("&Copy"), QStringLiteral("menuCopy"), QKeySequence::Copy);
    m.pasteAction = lines(tr("&Paste"), QStringLiteral("menuPaste"), QKeySequence::Paste);
    m.duplicateAction =
        lines(tr("&Duplicate"), QStringLiteral("menuDuplicate"), QKeySequence(Qt::CTRL | Qt::Key_D));
    edit->addSeparator();
    m.moveUpAction =
        lines(tr("Move &Up"), QStringLiteral("menuMoveUp"), QKeySequence(Qt::ALT | Qt::Key_Up));
    m.moveDownAction = lines(tr("Move Do&wn"), QStringLiteral("menuMoveDown"),
                             QKeySequence(Qt::ALT | Qt::Key_Down));

    QMenu* advanced = bar.addMenu(tr("&Advanced"));
    advanced->setObjectName(QStringLiteral("menuAdvanced"));
    m.flashFramesAction =
        addNamed(advanced, tr("&Flash Progr"), QStringLiteral("menuFlashProgr"), true);
    m.serialDebugAction =
        addNamed(advanced, tr("Serial Comm &Debug"), QStringLiteral("menuSerialDebug"), true);
    m.resetAction = addNamed(advanced, tr("&Reset"), QStringLiteral("menuReset"));
    m.verifyFlashAction = addNamed(advanced, tr("&Verify Flash"), QStringLiteral("menuVerifyFlash"));
    m.closePortAction = addNamed(advanced, tr("&Close Port"), QStringLiteral("menuClosePort"));

    QMenu* view = bar.addMenu(tr("&View"));
    view->setObjectName(QStringLiteral("menuView"));
    m.timelineAction = addNamed(view, tr("&Timeline"), QStringLiteral("menuTimeline"), true);
    m.exportTimelineAction =
        addNamed(view, tr("&Export Timeline…"), QStringLiteral("menuExportTimeline"));

    advanced->addSeparator();
    m.channelSetupAction =
        addNamed(advanced, tr("Channel &Setup…"), QStringLiteral("menuChannelSetup"));
    m.changedOnlyAction = addNamed(advanced, tr("Send C&hanged Channels Only"),
                                   QStringLiteral("menuChangedOnly"), true);
    return m;
}
