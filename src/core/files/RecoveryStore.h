#pragma once

#include "core/StepRecord.h"

#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <map>
#include <memory>
#include <span>
#include <vector>

class QLockFile;

// A recovery file left by a panel that no longer runs, held by this panel while it is offered.
struct RecoveryOrphan {
    QString path;
    // Load-form lines, the marked ones ending in the breakpoint mark; its step count is their
    // number.
    QStringList lines;
};

// Keeps a copy of the unsaved steps on disk, so that a crash, a kill or a quit loses nothing:
// the next start finds the copy and offers it. Each running panel writes its own file in the
// state folder and holds a lock file beside it for as long as it runs; a copy whose lock is
// free (its panel quit or died, even by SIGKILL) is an orphan. Taking an orphan's lock is what
// claims it, so two panels never offer or take the same copy.
class RecoveryStore : public QObject {
    Q_OBJECT

public:
    static constexpr int kDefaultDelayMs = 1000;

    // folder: where the copies live; empty for defaultFolder().
    explicit RecoveryStore(const QString& folder = QString(), QObject* parent = nullptr);
    // Writes a change still pending; the copy stays for the next start.
    ~RecoveryStore() override;

    // $TESSAREL_STATE_DIR, else $XDG_STATE_HOME/tessarel, else ~/.local/state/tessarel.
    static QString defaultFolder();

    // Takes this panel's file name and lock; false, with errorString(), when the folder cannot
    // be made or locked. Until it succeeds nothing is written.
    bool open();
    QString errorString() const { return m_error; }
    QString folder() const { return m_folder; }
    QString filePath() const { return m_path; }

    // The longest a change waits before it is written; changes during the wait share one write.
    void setDelay(int ms) { m_timer.setInterval(ms); }

    // The steps as last saved or loaded. While the list holds the same positions and durations
    // (breakpoints are not saved, so they do not count), there is nothing to recover.
    void setSaved(std::span<const StepRecord> steps);
    // After every change of the list, its rows with their BreakFlag. An empty list, or one that
    // matches the saved steps, removes the copy at once; otherwise the copy is written within
    // the delay.
    void listChanged(std::span<const StepRecord> steps);
    // Writes a pending change now.
    void flush();

    // Copies whose panel no longer runs, newest first; each is claimed until adopted or
    // discarded (or this store goes). Copies with no step in them are removed on the way.
    QList<RecoveryOrphan> findOrphans(const QLocale& locale = QLocale());
    // Restore: the orphan's steps become this panel's copy, then the orphan's file goes. The
    // window then puts its lines in place as a load. False when it is not claimed here or the
    // copy cannot be written (the orphan stays then).
    bool adopt(const RecoveryOrphan& orphan);
    // Discard: the orphan's file goes.
    void discard(const RecoveryOrphan& orphan);

signals:
    void written();
    void writeFailed(const QString& message);

private:
    bool write(const QByteArray& bytes);
    void removeCopy();
    void release(const QString& orphanPath);

    QString m_folder;
    QString m_path;
    QString m_error;
    std::unique_ptr<QLockFile> m_lock;
    std::map<QString, std::unique_ptr<QLockFile>> m_claims;
    std::vector<StepRecord> m_saved;
    std::vector<StepRecord> m_pending;
    bool m_dirty = false;
    QTimer m_timer;
};
