#include "FilesController.h"

#include "core/files/RecentFiles.h"
#include "core/sequence/SequenceFile.h"
#include "ui/panel/Panel.h"
#include "ui/panel/SequenceHistory.h"
#include "ui/shell/Messages.h"
#include "ui/shell/UserDialogs.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

FilesController::FilesController(Panel& panel, Messages& messages, QAction& saveAction,
                                 QAction& loadAction, QAction& saveAgainAction, QMenu& recentMenu)
    : m_panel(panel), m_messages(messages), m_recentMenu(recentMenu) {
    connect(&saveAction, &QAction::triggered, this, [this] { save(); });
    connect(&loadAction, &QAction::triggered, this, [this] { load(); });
    connect(&saveAgainAction, &QAction::triggered, this, [this] { saveAgain(); });
    // Files may have gone while the panel ran; the menu is checked each time it opens.
    connect(&recentMenu, &QMenu::aboutToShow, this, [this] {
        QSettings settings;
        noteGone(RecentFiles(settings).prune());
        fillRecentMenu();
    });
    fillRecentMenu();
}

void FilesController::openRecent(const QString& path) {
    if (QFileInfo::exists(path)) {
        loadFile(path);
        return;
    }
    {
        QSettings settings;
        RecentFiles(settings).remove(path);
    }
    noteGone({path});
    fillRecentMenu();
}

void FilesController::remember(const QString& path) {
    {
        QSettings settings;
        RecentFiles(settings).add(path);
    }
    fillRecentMenu();
}

void FilesController::fillRecentMenu() {
    m_recentMenu.clear();
    QSettings settings;
    const QStringList files = RecentFiles(settings).files();
    for (int i = 0; i < files.size(); ++i) {
        const QString& path = files[i];
        const QString name = QFileInfo(path).fileName().replace('&', QStringLiteral("&&"));
        QAction* action = m_recentMenu.addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
        action->setToolTip(QDir::toNativeSeparators(path));
        action->setStatusTip(action->toolTip());
        connect(action, &QAction::triggered, this, [this, path] { openRecent(path); });
    }
    m_recentMenu.setEnabled(!files.isEmpty());
}

void FilesController::noteGone(const QStringList& paths) {
    if (paths.isEmpty()) {
        return;
    }
    QStringList names;
    for (const QString& path : paths) {
        names << QDir::toNativeSeparators(path);
    }
    m_messages.showStatus(tr("No longer there, taken off Open Recent: %1").arg(names.join(", ")),
                          kNoteShownMs);
}

// Clears the breakpoints as "Save Buffer" does, so both write the same file.
void FilesController::saveAgain() {
    if (m_lastPath.isEmpty()) {
        save();
        return;
    }
    if (!m_panel.permits(interlock::Command::Save)) {
        return;
    }
    clearBreaksForSave();
    write(m_lastPath);
}

// What a save clears can be had back; the file it writes is not undone.
void FilesController::clearBreaksForSave() {
    const auto step = m_panel.history().step(tr("Reset  All Break"));
    m_panel.editor().resetBreakPoints();
}

void FilesController::write(const QString& path) {
    const sequencefile::SaveResult saved =
        sequencefile::save(path, m_panel.editor().table(), m_panel.list().count());
    if (!saved.ok) {
        m_messages.inform(saved.error, sequencefile::kSaveTitle);
        return;
    }
    m_lastPath = path;
    remember(path);
    emit stepsStored();
    m_messages.inform(sequencefile::kSavedText, sequencefile::kSaveTitle);
}

void FilesController::save() {
    if (!m_panel.permits(interlock::Command::Save)) {
        return;
    }
    ++m_saveCount;
    clearBreaksForSave();

    FileQuestion question;
    question.filter = sequencefile::kFilter;
    question.selectedFilter = sequencefile::kSelectedFilter;
    question.defaultExtension = sequencefile::kSaveDefaultExtension;
    question.initialFileName = sequencefile::proposedName(m_saveCount);
    const std::optional<FileAnswer> answer =
        m_messages.dialogs().saveFileName(&m_messages.window(), question);
    if (!answer) {
        return;
    }

    const QString path = question.savePath(*answer);
    if (QFileInfo::exists(path) &&
        !m_messages.ask(tr("%1 already exists. Replace it?").arg(QFileInfo(path).fileName()),
                        sequencefile::kSaveTitle)) {
        return;
    }
    write(path);
}

void FilesController::load() {
    if (!m_panel.permits(interlock::Command::Load)) {
        return;
    }
    const auto step = m_panel.history().step(tr("Load Buffer"));
    m_panel.editor().resetBreakPoints();

    FileQuestion question;
    question.filter = sequencefile::kFilter;
    question.selectedFilter = sequencefile::kSelectedFilter;
    question.hideReadOnly = sequencefile::kLoadHideReadOnly;
    const std::optional<QString> path =
        m_messages.dialogs().openFileName(&m_messages.window(), question);
    if (path) {
        read(*path);
    }
}

void FilesController::loadFile(const QString& path) {
    if (!m_panel.permits(interlock::Command::Load)) {
        return;
    }
    const auto step = m_panel.history().step(tr("Load Buffer"));
    m_panel.editor().resetBreakPoints();
    read(path);
}

// The file is read whole before the list is touched: a file that cannot be read leaves the
// sequence the user had.
void FilesController::read(const QString& path) {
    const sequencefile::LoadResult loaded = sequencefile::load(path, m_panel.list().locale());
    if (!loaded.readable) {
        m_messages.inform(loaded.error, sequencefile::kLoadTitle);
        return;
    }
    if (m_panel.editor().replaceAll(loaded.lines) != EditOutcome::Done) {
        m_messages.inform(
            QStringLiteral("The steps of \"%1\" could not be put in the list.").arg(path),
            sequencefile::kLoadTitle);
        return;
    }
    remember(path);
    emit stepsStored();
    // "Save" must not write a part of a file over the whole of it.
    const QString stopped = loaded.stopMessage();
    m_lastPath = stopped.isEmpty() ? path : QString();
    if (!stopped.isEmpty()) {
        m_messages.inform(stopped, sequencefile::kLoadTitle);
    }
    m_messages.inform(sequencefile::kLoadedText, sequencefile::kLoadTitle);
}
