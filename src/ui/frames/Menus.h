#pragma once

#include <QCoreApplication>

class QAction;
class QMenu;
class QMenuBar;
class SequenceHistory;

// The menu bar's actions: "File", "Edit" (undo and redo), "Advanced" and "View".
struct Menus {
    Q_DECLARE_TR_FUNCTIONS(Menus)

public:
    QAction* saveBufferAction = nullptr;     // menuSaveBuffer
    QAction* loadBufferAction = nullptr;     // menuLoadBuffer
    QMenu* openRecentMenu = nullptr;         // menuOpenRecent: the files used last
    QAction* quitAction = nullptr;           // menuQuit
    QAction* undoAction = nullptr;           // menuUndo, "Undo <command>"
    QAction* redoAction = nullptr;           // menuRedo
    QAction* addStepAction = nullptr;        // menuAddStep, Insert: as "Add"
    QAction* replaceStepAction = nullptr;    // menuReplaceStep, Ctrl+R: as "Replace"
    QAction* cutAction = nullptr;            // menuCut, Ctrl+X: the selected lines
    QAction* copyAction = nullptr;           // menuCopy, Ctrl+C
    QAction* pasteAction = nullptr;          // menuPaste, Ctrl+V
    QAction* duplicateAction = nullptr;      // menuDuplicate, Ctrl+D
    QAction* moveUpAction = nullptr;         // menuMoveUp, Alt+Up
    QAction* moveDownAction = nullptr;       // menuMoveDown, Alt+Down
    QAction* flashFramesAction = nullptr;    // menuFlashProgr, "Flash Progr": a check mark
    QAction* serialDebugAction = nullptr;    // menuSerialDebug: a check mark
    QAction* resetAction = nullptr;          // menuReset, the board's reset
    QAction* verifyFlashAction = nullptr;    // menuVerifyFlash
    QAction* timelineAction = nullptr;       // menuTimeline: a check mark
    QAction* exportTimelineAction = nullptr; // menuExportTimeline
    QAction* closePortAction = nullptr;      // menuClosePort
    QAction* saveAction = nullptr;           // menuSave, "Save": to the file last saved or loaded

    QAction* channelSetupAction = nullptr; // menuChannelSetup, "Advanced"
    QAction* changedOnlyAction = nullptr;  // menuChangedOnly, "Advanced": a check mark

    static Menus build(QMenuBar& bar, SequenceHistory& history);
};
