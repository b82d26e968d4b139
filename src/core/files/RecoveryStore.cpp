#include "core/files/RecoveryStore.h"

#include "core/files/RecoveryFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString kPrefix = QStringLiteral("unsaved-");
const QString kSuffix = QStringLiteral(".dat");
const QString kLockSuffix = QStringLiteral(".lock");

QString lockPathFor(const QString& copyPath) {
    return copyPath.chopped(kSuffix.size()) + kLockSuffix;
}

// A live panel's lock is never stale however old it is; only a holder that is gone frees it.
// (The holder's flock says so on a local disk, but not on every network file system.)
std::unique_ptr<QLockFile> tryLock(const QString& path) {
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        return nullptr;
    }
    return lock;
}

bool sameSteps(std::span<const StepRecord> a, std::span<const StepRecord> b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const StepRecord& x, const StepRecord& y) {
                          return std::equal(x.begin(), x.begin() + kBreakField, y.begin());
                      });
}

} // namespace

RecoveryStore::RecoveryStore(const QString& folder, QObject* parent)
    : QObject(parent), m_folder(folder.isEmpty() ? defaultFolder() : folder) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(kDefaultDelayMs);
    connect(&m_timer, &QTimer::timeout, this, &RecoveryStore::flush);
}

RecoveryStore::~RecoveryStore() {
    flush();
}

QString RecoveryStore::defaultFolder() {
    const QString chosen = qEnvironmentVariable("TESSAREL_STATE_DIR");
    if (!chosen.isEmpty()) {
        return chosen;
    }
    // A relative XDG path is invalid and to be ignored.
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (QDir::isAbsolutePath(state)) {
        return state + QStringLiteral("/tessarel");
    }
    return QDir::homePath() + QStringLiteral("/.local/state/tessarel");
}

bool RecoveryStore::open() {
    if (m_lock) {
        return true;
    }
    if (!QDir().mkpath(m_folder)) {
        m_error = QStringLiteral("The folder \"%1\" could not be made.")
                      .arg(QDir::toNativeSeparators(m_folder));
        return false;
    }
    // Named by the start time and the process, so a name is never one another panel used.
    static int opened = 0;
    const QString name =
        kPrefix + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) +
        QStringLiteral("-%1-%2").arg(QCoreApplication::applicationPid()).arg(++opened);
    const QString path = QDir(m_folder).filePath(name + kSuffix);
    m_lock = tryLock(lockPathFor(path));
    if (!m_lock) {
        m_error = QStringLiteral("The folder \"%1\" cannot be written to.")
                      .arg(QDir::toNativeSeparators(m_folder));
        return false;
    }
    m_path = path;
    m_error.clear();
    return true;
}

void RecoveryStore::setSaved(std::span<const StepRecord> steps) {
    m_saved.assign(steps.begin(), steps.end());
    listChanged(steps);
}

void RecoveryStore::listChanged(std::span<const StepRecord> steps) {
    m_pending.assign(steps.begin(), steps.end());
    if (steps.empty() || sameSteps(steps, m_saved)) {
        m_timer.stop();
        m_dirty = false;
        removeCopy();
        return;
    }
    m_dirty = true;
    // Not restarted by later changes: a steady stream of edits is still written in time.
    if (!m_timer.isActive()) {
        m_timer.start();
    }
}

void RecoveryStore::flush() {
    m_timer.stop();
    if (!m_dirty || m_path.isEmpty()) {
        return;
    }
    m_dirty = false;
    if (write(recoveryfile::encode(m_pending))) {
        emit written();
    }
}

bool RecoveryStore::write(const QByteArray& bytes) {
    QSaveFile file(m_path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
        file.write(bytes) == bytes.size() && file.commit()) {
        return true;
    }
    const QString why = file.errorString();
    file.cancelWriting();
    emit writeFailed(QStringLiteral("The unsaved steps could not be kept in \"%1\": %2")
                         .arg(QDir::toNativeSeparators(m_path), why));
    return false;
}

void RecoveryStore::removeCopy() {
    if (!m_path.isEmpty()) {
        QFile::remove(m_path);
    }
}

QList<RecoveryOrphan> RecoveryStore::findOrphans(const QLocale& locale) {
    QList<RecoveryOrphan> orphans;
    const QDir dir(m_folder);
    for (const QString& name : dir.entryList({kPrefix + QLatin1Char('*') + kSuffix}, QDir::Files,
                                             QDir::Name | QDir::Reversed)) {
        const QString path = dir.filePath(name);
        if (path == m_path) {
            continue;
        }
        if (!m_claims.count(path)) {
            std::unique_ptr<QLockFile> claim = tryLock(lockPathFor(path));
            if (!claim) {
                continue;
            }
            m_claims[path] = std::move(claim);
        }
        const recoveryfile::Contents contents = recoveryfile::read(path, locale);
        if (contents.lines.isEmpty()) {
            if (contents.complete) {
                QFile::remove(path);
            }
            release(path);
            continue;
        }
        orphans.append({path, contents.lines});
    }
    // Locks of panels that died with nothing unsaved; taking one removes it on release.
    for (const QString& name :
         dir.entryList({kPrefix + QLatin1Char('*') + kLockSuffix}, QDir::Files)) {
        const QString lockPath = dir.filePath(name);
        if (!QFile::exists(lockPath.chopped(kLockSuffix.size()) + kSuffix)) {
            tryLock(lockPath);
        }
    }
    return orphans;
}

bool RecoveryStore::adopt(const RecoveryOrphan& orphan) {
    if (!m_claims.count(orphan.path) || m_path.isEmpty()) {
        return false;
    }
    QFile file(orphan.path);
    if (!file.open(QIODevice::ReadOnly) || !write(file.readAll())) {
        return false;
    }
    file.close();
    // What the list held before is replaced by the restore.
    m_timer.stop();
    m_dirty = false;
    discard(orphan);
    return true;
}

void RecoveryStore::discard(const RecoveryOrphan& orphan) {
    if (m_claims.count(orphan.path)) {
        QFile::remove(orphan.path);
        release(orphan.path);
    }
}

void RecoveryStore::release(const QString& orphanPath) {
    m_claims.erase(orphanPath);
}
