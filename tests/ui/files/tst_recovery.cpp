#include "support/FormRig.h"

#include "core/sequence/StepLine.h"
#include "ui/files/FilesController.h"
#include "ui/files/RecoveryController.h"
#include "ui/panel/SequenceHistory.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <iostream>

// The recovery copy through the real window: a panel killed with SIGKILL leaves its steps, the
// next start offers them and puts them back as a load, or discards them.

namespace {
// Three steps, the second with a breakpoint, as the list shows them.
QStringList editedLines() {
    QStringList lines;
    for (int k = 0; k < 3; ++k) {
        StepRecord r{};
        r.fill(100 + k);
        r[kDurationField] = 250 + k;
        lines << stepline::readBackForm(r, QLocale(QLocale::C));
    }
    return lines;
}

// The child's work: a window that edits its list, says so, and waits to be killed.
int runChild(int argc, char** argv) {
    QApplication app(argc, argv);
    FormRig rig;
    rig.form->keepRecovery(QString::fromLocal8Bit(argv[2]));
    rig.form->panel().editor().replaceAll(editedLines());
    rig.form->panel().list().setSelectedIndex(1);
    rig.form->panel().editor().toggleBreak();
    QTimer::singleShot(RecoveryStore::kDefaultDelayMs + 500, [] {
        std::cout << "edited" << std::endl;
    });
    return QApplication::exec();
}

} // namespace

class TestRecovery : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_state;

    void killedChild() {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("child"), m_state.path()});
        QVERIFY(child.waitForStarted());
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += child.readAllStandardOutput()).contains("edited"), 20000);
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished());
    }

private slots:
    void offeredAfterKill_data() {
        QTest::addColumn<bool>("restore");
        QTest::newRow("Restore") << true;
        QTest::newRow("Discard") << false;
    }
    void offeredAfterKill() {
        QFETCH(bool, restore);
        killedChild();
        FormRig rig;
        rig.dialogs.recoveryAnswers << restore;
        rig.form->keepRecovery(m_state.path());
        QCOMPARE(rig.dialogs.recoveryTexts,
                 QStringList{QStringLiteral("The last session ended with 3 steps that were not saved.")});
        if (restore) {
            const QString deg = QStringLiteral("\u00B0\t");
            QCOMPARE(rig.form->panel().list().lines(),
                     (QStringList{QStringLiteral("-14 ").append(deg).repeated(12) +
                                      QStringLiteral("250  ms\t"),
                                  QStringLiteral("-13.5 ").append(deg).repeated(12) +
                                      QStringLiteral("251  ms\t\tBREAK!"),
                                  QStringLiteral("-13 ").append(deg).repeated(12) +
                                      QStringLiteral("252  ms\t")}));
            QCOMPARE(rig.form->panel().editor().step(1)[kBreakField], 1);
            QCOMPARE(rig.form->panel().history().stack().count(), 1);
            QCOMPARE(rig.port->written(), QByteArray());
        } else {
            QCOMPARE(rig.form->panel().list().count(), 0);
        }
        // The orphan's file is gone either way; a restored list has become this panel's copy.
        QTRY_COMPARE(QDir(m_state.path()).entryList({QStringLiteral("unsaved-*.dat")}, QDir::Files).size(),
                     restore ? 1 : 0);
    }

    void savedListLeavesNoFile() {
        QTemporaryDir folder;
        FormRig rig;
        rig.form->keepRecovery(folder.path());
        rig.form->panel().editor().replaceAll(editedLines());
        const QString copy = rig.form->recoveryController()->store().filePath();
        QTRY_VERIFY(QFile::exists(copy));
        rig.dialogs.fileAnswers << QString(folder.filePath(QStringLiteral("saved.dat")));
        rig.form->filesController().save();
        QCoreApplication::processEvents();
        rig.form->recoveryController()->store().flush();
        QVERIFY(!QFile::exists(copy));
    }
};

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "child") == 0) {
        return runChild(argc, argv);
    }
    QApplication app(argc, argv);
    TestRecovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recovery.moc"
