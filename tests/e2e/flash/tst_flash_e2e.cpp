#include "e2e/PanelOnSim.h"
#include "support/ProgramSteps.h"

#include "ui/flash/FlashController.h"
#include "ui/shell/SlideControl.h"

#include <QPushButton>

class TestFlashEndToEnd : public QObject, PanelOnSim {
    Q_OBJECT

private slots:
    // Programmed steps come back across a power cycle; every fault of the board ends in its
    // documented state with nothing lost from the list.
    void exchange_data() {
        QTest::addColumn<QString>("options");
        QTest::addColumn<bool>("reading");      // after programming
        QTest::addColumn<QString>("abortWhen"); // the simulator has logged this
        QTest::addColumn<QString>("message");
        const QString read = FlashController::kRead;
        const QString none;
        QTest::newRow("power cycle") << "--flash-file %1/flash.bin" << true << none << read;
        QTest::newRow("no ack") << "--mute-after 512" << false << "withheld" << QString("ACK 511");
        QTest::newRow("wrong byte, then ack")
            << "--wrong-ack-once 85 --wrong-ack-from 2 --ack-after-wrong" << true << none << read;
        QTest::newRow("short read: a silent abort")
            << "--read-count 200 --read-send 100" << true << "sent 100" << none;
        QTest::newRow("hang-up while programming")
            << "--hang-up-after 1000" << false << none << FlashController::programmingLostText();
        QTest::newRow("hang-up while reading")
            << "--hang-up-after 14340" << true << none << FlashController::readLostText();
    }
    void exchange() {
        QFETCH(QString, options);
        QFETCH(bool, reading);
        QFETCH(QString, abortWhen);
        QFETCH(QString, message);
        const QStringList sim = options.replace(QStringLiteral("%1"), m_dir.path()).split(' ');
        start(sim);
        const QStringList lines = programSteps(kMaxLines);
        m_form->panel().editor().replaceAll(lines);
        const SequenceTable table = m_form->panel().editor().table();
        QTimer poll; // Abort while the transfer runs
        connect(&poll, &QTimer::timeout, this, [&] {
            if (!abortWhen.isEmpty() && m_sim->lines().join('\n').contains(abortWhen)) {
                m_form->flashFrame().abortButton->click();
            }
        });
        poll.start(5);
        m_form->flashFrame().programButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(!m_form->panel().board().transfer(), 60000);
        const bool wrongByte = sim.contains(QStringLiteral("--wrong-ack-once"));
        QCOMPARE(m_form->serialDebugFrame().echoBox->text(), wrongByte ? Board::kError : QString());
        if (reading) {
            QCOMPARE(m_dialogs.texts(), QStringList{FlashController::kProgrammed});
            if (sim.contains(QStringLiteral("--flash-file"))) {
                QVERIFY(m_sim->stop());
                start(sim);
            }
            m_dialogs.messages.clear();
            m_form->flashFrame().readButton->click();
            QTRY_VERIFY_WITH_TIMEOUT(!m_form->panel().board().transfer(), 60000);
        }
        if (sim.first() == QStringLiteral("--hang-up-after")) {
            QTRY_VERIFY(
                m_form->sideColumn().portChooser->isEnabled()); // the link adds no second message
        }
        QCOMPARE(m_dialogs.texts(), message.isEmpty() ? QStringList{} : QStringList{message});
        QVERIFY(m_form->panel().editor().table() == table);
        QCOMPARE(m_form->panel().list().lines(), lines);
        QVERIFY(!m_form->panel().board().transfer());
        QVERIFY(!m_form->flashFrame().abortButton->isEnabled() &&
                m_form->flashFrame().progressBar->isHidden());
        QVERIFY(m_form->panel().serial().inputLen() == 1 &&
                m_form->panel().serial().rThreshold() == 1);
    }
};

QTEST_MAIN(TestFlashEndToEnd)
#include "tst_flash_e2e.moc"
