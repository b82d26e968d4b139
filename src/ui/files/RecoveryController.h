#pragma once

#include "core/files/RecoveryStore.h"

#include <QObject>
#include <QString>

class Messages;
class Panel;

// Keeps the unsaved steps on disk while the panel runs, and at start offers the steps a panel
// that no longer runs left behind.
class RecoveryController : public QObject {
    Q_OBJECT
public:
    // folder: where the copies live; empty for the user's state folder.
    RecoveryController(Panel& panel, Messages& messages, const QString& folder = QString());

    RecoveryStore& store() { return m_store; }

    // Takes this panel's copy and watches the list; then offers each orphan, newest first.
    // False when the folder cannot be used: the panel runs on without a copy.
    bool start();
    // The list now matches a file: it was saved or loaded.
    void stepsStored();

private:
    void listTouched();
    // True when the orphan's steps were restored.
    bool offer(const RecoveryOrphan& orphan);

    Panel& m_panel;
    Messages& m_messages;
    RecoveryStore m_store;
    bool m_touched = false;
};
