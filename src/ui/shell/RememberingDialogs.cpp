#include "RememberingDialogs.h"

#include <QFileInfo>
#include <QSettings>

std::optional<FileAnswer> RememberingDialogs::saveFileName(QWidget* parent,
                                                           const FileQuestion& q) {
    std::optional<FileAnswer> answer = m_dialogs.saveFileName(parent, inLastFolder(q));
    if (answer) {
        keepFolderOf(answer->path);
    }
    return answer;
}

std::optional<QString> RememberingDialogs::openFileName(QWidget* parent, const FileQuestion& q) {
    std::optional<QString> answer = m_dialogs.openFileName(parent, inLastFolder(q));
    if (answer) {
        keepFolderOf(*answer);
    }
    return answer;
}

// A folder removed since is left to the dialog's own choice.
FileQuestion RememberingDialogs::inLastFolder(const FileQuestion& q) const {
    FileQuestion asked = q;
    const QString folder = QSettings().value(kFolderKey).toString();
    if (asked.folder.isEmpty() && !folder.isEmpty() && QFileInfo(folder).isDir()) {
        asked.folder = folder;
    }
    return asked;
}

void RememberingDialogs::keepFolderOf(const QString& path) {
    if (!path.isEmpty()) {
        QSettings().setValue(kFolderKey, QFileInfo(path).absolutePath());
    }
}
