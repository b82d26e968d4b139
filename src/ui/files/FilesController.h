#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

class Messages;
class Panel;
class QAction;
class QMenu;

// Saving the step list to a sequence file and loading it back ("File" menu).
class FilesController : public QObject {
    Q_OBJECT
public:
    FilesController(Panel& panel, Messages& messages, QAction& saveAction, QAction& loadAction,
                    QAction& saveAgainAction, QMenu& recentMenu);

    // "Save Buffer" and "Load Buffer".
    void save();
    void load();
    // "Save": to the file last saved or loaded, without a question; "Save Buffer" when none.
    void saveAgain();
    // Loads the file as "Load Buffer" does once the user has named it, messages included.
    void loadFile(const QString& path);
    // An entry of "Open Recent": a file that has gone leaves the list with a note instead.
    void openRecent(const QString& path);

    static constexpr int kNoteShownMs = 6000;

    // The saves begun this run; the name proposed for a save carries its number.
    qint16 saveCount() const { return m_saveCount; }

signals:
    // The list now matches a file: it was saved or loaded.
    void stepsStored();

private:
    void clearBreaksForSave();
    void write(const QString& path);
    void read(const QString& path);
    void remember(const QString& path);
    void fillRecentMenu();
    void noteGone(const QStringList& paths);

    Panel& m_panel;
    Messages& m_messages;
    QMenu& m_recentMenu;
    qint16 m_saveCount = 0;
    QString m_lastPath; // the file last saved or loaded
};
