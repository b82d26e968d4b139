#include "core/files/RecentFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString kKey = QStringLiteral("recentFiles/files");

// A file that is gone has no canonical path; its absolute one still tells it apart.
QString canonical(const QString& path) {
    const QFileInfo info(path);
    const QString found = info.canonicalFilePath();
    return found.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : found;
}

} // namespace

QStringList RecentFiles::files() const {
    QStringList files = m_settings.value(kKey).toStringList();
    files.removeAll(QString());
    return files.mid(0, kMaxFiles);
}

void RecentFiles::add(const QString& path) {
    const QString file = canonical(path);
    QStringList files = this->files();
    files.removeIf([&file](const QString& f) { return canonical(f) == file; });
    files.prepend(file);
    keep(files.mid(0, kMaxFiles));
}

void RecentFiles::remove(const QString& path) {
    const QString file = canonical(path);
    QStringList files = this->files();
    if (files.removeIf([&file](const QString& f) { return f == file || canonical(f) == file; }) >
        0) {
        keep(files);
    }
}

QStringList RecentFiles::prune() {
    QStringList kept;
    QStringList gone;
    for (const QString& file : files()) {
        (QFileInfo::exists(file) ? kept : gone) << file;
    }
    if (!gone.isEmpty()) {
        keep(kept);
    }
    return gone;
}

void RecentFiles::keep(const QStringList& files) {
    m_settings.setValue(kKey, files);
}
