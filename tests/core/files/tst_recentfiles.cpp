#include "core/files/RecentFiles.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestRecentFiles : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QDir(m_dir->path()).mkdir(QStringLiteral("sub"));
        for (const char* name : {"a", "b", "c", "d", "e", "f", "g", "h", "i"}) {
            QFile file(path(QString::fromLatin1(name) + QStringLiteral(".dat")));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::link(path(QStringLiteral("a.dat")), path(QStringLiteral("link.dat"))));
    }

    void mostRecentFirstAndKept() {
        const QString ini = path(QStringLiteral("tessarel.ini"));
        {
            QSettings settings(ini, QSettings::IniFormat);
            RecentFiles recent(settings);
            for (const char* name : {"a", "b", "c", "d", "e", "f", "g", "h", "i"}) {
                recent.add(path(QString::fromLatin1(name) + QStringLiteral(".dat")));
            }
            recent.add(path(QStringLiteral("link.dat")));     // a by a link
            recent.add(path(QStringLiteral("sub/../c.dat"))); // c by another way
        }
        QSettings settings(ini, QSettings::IniFormat);
        RecentFiles recent(settings);
        QCOMPARE(names(recent.files()), QStringLiteral("c a i h g f e d"));
    }

    void goneFilesArePruned() {
        QSettings settings(path(QStringLiteral("tessarel.ini")), QSettings::IniFormat);
        RecentFiles recent(settings);
        for (const char* name : {"a", "b", "c", "d"}) {
            recent.add(path(QString::fromLatin1(name) + QStringLiteral(".dat")));
        }
        QVERIFY(QFile::remove(path(QStringLiteral("b.dat"))));
        QVERIFY(QFile::remove(path(QStringLiteral("d.dat"))));
        QCOMPARE(names(recent.prune()), QStringLiteral("d b"));
        QCOMPARE(names(recent.files()), QStringLiteral("c a"));
        QCOMPARE(recent.prune(), QStringList());
        recent.remove(path(QStringLiteral("link.dat")));
        QCOMPARE(names(recent.files()), QStringLiteral("c"));
    }

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }

    // The files' names without the folder and the extension, in order.
    QString names(const QStringList& files) const {
        const QString folder = QFileInfo(m_dir->path()).canonicalFilePath() + QLatin1Char('/');
        QStringList names;
        for (const QString& file : files) {
            names << (file.startsWith(folder) ? QFileInfo(file).completeBaseName() : file);
        }
        return names.join(QLatin1Char(' '));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestRecentFiles)
#include "tst_recentfiles.moc"
