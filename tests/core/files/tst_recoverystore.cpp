#include "core/files/RecoveryFile.h"
#include "core/files/RecoveryStore.h"
#include "core/sequence/SequenceFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <vector>

namespace {

StepRecord step(int ch0, int ms, int breakFlag = 0) {
    StepRecord s;
    s.fill(128);
    s[0] = ch0;
    s[kDurationField] = ms;
    s[kBreakField] = breakFlag;
    return s;
}

const std::vector<StepRecord> kThree{step(129, 500, 1), step(0, 20), step(255, 40, 1)};

const QString kZeros = QStringLiteral("0 \u00B0\t").repeated(11);
const QStringList kThreeLines{"0.5 \u00B0\t" + kZeros + "500  ms\t\tBREAK!",
                              "-64 \u00B0\t" + kZeros + "20  ms\t",
                              "63.5 \u00B0\t" + kZeros + "40  ms\t\tBREAK!"};

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

// A panel in another process that keeps three unsaved steps and runs until it is killed.
int holdSteps(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    RecoveryStore store(QString::fromLocal8Bit(argv[2]));
    if (!store.open()) {
        return 1;
    }
    store.listChanged(kThree);
    store.flush();
    std::puts("ready");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

} // namespace

class TestRecoveryStore : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void cleanup() {
        for (const QString& name : filesIn(m_dir.path())) {
            QFile::remove(m_dir.filePath(name));
        }
    }

    void fileFormat() {
        const QByteArray bytes = recoveryfile::encode(kThree);
        const QByteArray middle = QByteArray("128\t").repeated(11);
        QCOMPARE(bytes, "129\t" + middle + "500\t1\t\r\n0\t" + middle + "20\t0\t\r\n255\t" +
                            middle + "40\t1\t\r\n");
        const recoveryfile::Contents read = recoveryfile::parse(bytes, QLocale::c());
        QCOMPARE(read.lines, kThreeLines);
        QVERIFY(read.complete);
        // Load Buffer takes it as the sequence it holds.
        QCOMPARE(
            sequencefile::parse(bytes, QLocale::c()).lines,
            QStringList({kThreeLines[0].chopped(7), kThreeLines[1], kThreeLines[2].chopped(7)}));
        // A hand-damaged copy gives the steps before the damage.
        const recoveryfile::Contents cut = recoveryfile::parse(bytes.left(bytes.size() - 20));
        QCOMPARE(cut.lines, kThreeLines.mid(0, 2));
        QVERIFY(!cut.complete);
    }

    void burstIsOneWrite() {
        RecoveryStore store(m_dir.path());
        QVERIFY(store.open());
        QSignalSpy written(&store, &RecoveryStore::written);
        for (int i = 1; i <= 3; ++i) {
            store.listChanged(std::span(kThree).first(i));
        }
        QVERIFY(!QFile::exists(store.filePath()));
        QTRY_COMPARE_WITH_TIMEOUT(written.count(), 1, 5000);
        QCOMPARE(recoveryfile::read(store.filePath(), QLocale::c()).lines, kThreeLines);
        QTest::qWait(RecoveryStore::kDefaultDelayMs + 200);
        QCOMPARE(written.count(), 1);
    }

    // The copy exists exactly while the list holds steps that are not saved.
    void savedOrEmptyListKeepsNoCopy() {
        RecoveryStore store(m_dir.path());
        QVERIFY(store.open());
        store.setSaved(kThree);
        store.flush();
        QVERIFY(!QFile::exists(store.filePath()));
        std::vector<StepRecord> edited = kThree;
        edited[1][5] = 130;
        store.listChanged(edited);
        store.flush();
        QVERIFY(QFile::exists(store.filePath()));
        edited[1] = kThree[1];
        edited[1][kBreakField] = 1; // the edit taken back, a breakpoint set: what is saved
        store.listChanged(edited);
        QVERIFY(!QFile::exists(store.filePath()));
        store.listChanged(std::span(kThree).first(2));
        store.flush();
        QVERIFY(QFile::exists(store.filePath()));
        store.listChanged({});
        QVERIFY(!QFile::exists(store.filePath()));
        store.listChanged(std::span(kThree).first(1));
        store.setSaved(std::span(kThree).first(1));
        store.flush();
        QVERIFY(!QFile::exists(store.filePath()));
    }

    void panelsKeepTheirOwnCopies() {
        auto first = std::make_unique<RecoveryStore>(m_dir.path());
        RecoveryStore second(m_dir.path());
        QVERIFY(first->open() && second.open());
        QVERIFY(first->filePath() != second.filePath());
        first->listChanged(kThree);
        second.listChanged(std::span(kThree).first(1));
        second.flush();
        QVERIFY(second.findOrphans().isEmpty());
        first.reset(); // quit with unsaved steps: written on the way out, then offered
        QCOMPARE(filesIn(m_dir.path()).size(), 3);
        const QList<RecoveryOrphan> orphans = second.findOrphans(QLocale::c());
        QCOMPARE(orphans.size(), 1);
        QCOMPARE(orphans[0].lines, kThreeLines);
        RecoveryStore third(m_dir.path());
        QVERIFY(third.open());
        QVERIFY(third.findOrphans().isEmpty()); // claimed by the second
        QVERIFY(!third.adopt(orphans[0]));
        QVERIFY(second.adopt(orphans[0]));
        QVERIFY(!QFile::exists(orphans[0].path));
        QCOMPARE(recoveryfile::read(second.filePath(), QLocale::c()).lines, kThreeLines);
        QVERIFY(third.findOrphans().isEmpty());
    }

    // Killed without a chance to clean up; a live panel's lock is its own however old it is.
    void killedPanelIsOffered() {
        QProcess panel;
        panel.start(QCoreApplication::applicationFilePath(), {"--hold", m_dir.path()});
        QVERIFY(panel.waitForReadyRead(10000));
        QCOMPARE(panel.readAllStandardOutput(), QByteArray("ready\n"));
        RecoveryStore store(m_dir.path());
        QVERIFY(store.open());
        const QStringList lockNames = QDir(m_dir.path()).entryList({"*.lock"}, QDir::Files);
        for (const QString& name : lockNames) {
            QFile lock(m_dir.filePath(name));
            QVERIFY(lock.open(QIODevice::ReadWrite));
            QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                     QFileDevice::FileModificationTime));
        }
        QVERIFY(store.findOrphans().isEmpty());
        panel.kill();
        QVERIFY(panel.waitForFinished(10000));
        const QList<RecoveryOrphan> orphans = store.findOrphans(QLocale::c());
        QCOMPARE(orphans.size(), 1);
        QCOMPARE(orphans[0].lines, kThreeLines);
        store.discard(orphans[0]);
        QCOMPARE(filesIn(m_dir.path()),
                 QStringList(QFileInfo(store.filePath()).baseName() + ".lock"));
    }

    void defaultFolder_data() {
        QTest::addColumn<QByteArray>("chosen");
        QTest::addColumn<QByteArray>("xdg");
        QTest::addColumn<QString>("folder");
        QTest::newRow("chosen") << QByteArray("/srv/state") << QByteArray("/x") << "/srv/state";
        QTest::newRow("XDG state home") << QByteArray() << QByteArray("/x") << "/x/tessarel";
        QTest::newRow("relative XDG path")
            << QByteArray() << QByteArray("x") << "/home/u/.local/state/tessarel";
        QTest::newRow("nothing set")
            << QByteArray() << QByteArray() << "/home/u/.local/state/tessarel";
    }
    void defaultFolder() {
        QFETCH(QByteArray, chosen);
        QFETCH(QByteArray, xdg);
        QFETCH(QString, folder);
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", "/home/u");
        qputenv("TESSAREL_STATE_DIR", chosen);
        qputenv("XDG_STATE_HOME", xdg);
        const QString found = RecoveryStore::defaultFolder();
        qputenv("HOME", home);
        qunsetenv("TESSAREL_STATE_DIR");
        qunsetenv("XDG_STATE_HOME");
        QCOMPARE(found, folder);
    }

private:
    QTemporaryDir m_dir;
};

int main(int argc, char** argv) {
    if (argc == 3 && QByteArray(argv[1]) == "--hold") {
        return holdSteps(argc, argv);
    }
    QCoreApplication app(argc, argv);
    TestRecoveryStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recoverystore.moc"
