#pragma once

#include <QObject>
#include <QtGlobal>

class Messages;
class Panel;
class QAction;

// Saving the step list to a sequence file and loading it back ("File" menu).
class FilesController : public QObject {
    Q_OBJECT
public:
    FilesController(Panel& panel, Messages& messages, QAction& saveAction, QAction& loadAction);

    // "Save Buffer" and "Load Buffer".
    void save();
    void load();

    // The saves begun this run; the name proposed for a save carries its number.
    qint16 saveCount() const { return m_saveCount; }

signals:
    // The list now matches a file: it was saved or loaded.
    void stepsStored();

private:
    Panel& m_panel;
    Messages& m_messages;
    qint16 m_saveCount = 0;
};
