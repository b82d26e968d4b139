#pragma once

#include <QString>
#include <QStringList>

class QSettings;

// The files used last, most recent first, for File › Open Recent. Kept in the settings under
// "recentFiles/files" as canonical paths, so one file reached by two paths is one entry.
class RecentFiles {
public:
    static constexpr int kMaxFiles = 8;

    explicit RecentFiles(QSettings& settings) : m_settings(settings) {}

    QStringList files() const;
    void add(const QString& path);
    // For a file that could not be opened any more.
    void remove(const QString& path);
    // Takes the files that are gone off the list and gives them, for the status bar.
    QStringList prune();

private:
    void keep(const QStringList& files);

    QSettings& m_settings;
};
