#include "support/ScriptedDialogs.h"
#include "support/SimProcess.h"

#include "core/flash/FlashImage.h"
#include "core/sequence/StepLine.h"
#include "link/PortMap.h"
#include "link/QtSerialTransport.h"
#include "ui/flash/FlashController.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/Form1.h"
#include "ui/shell/LinkController.h"
#include "ui/shell/SlideControl.h"

#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

QStringList steps(int count) {
    QStringList lines;
    for (int s = 0; s < count; ++s) {
        StepRecord r{};
        for (int c = 0; c < kChannelCount; ++c) {
            r[c] = (s * 11 + c * 29 + 3) % 256;
        }
        r[kDurationField] = 20 * (1 + (s * 37) % 4000);
        lines << stepline::readBackForm(r, QLocale());
    }
    return lines;
}

} // namespace

// The panel's flash exchanges as a user runs them: the real window and serial port, the board
// simulator attached as Comm1 on a pseudo-terminal.
class TestFlashEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void programSurvivesPowerCycle();
    void noAcknowledgement();
    void wrongByteThenAck();
    void wrongByteOnly();
    void shortRead();
    void overflowRead();
    void hangUp_data();
    void hangUp();

private:
    bool startBoard(QStringList options);
    void startPanel();
    // Runs action once, from inside the panel's waits, as soon as condition holds.
    void once(std::function<bool()> condition, std::function<void()> action);
    bool simSaid(const QString& prefix) const;
    void verifyIdle();

    QTemporaryDir m_dir;
    std::unique_ptr<SimProcess> m_sim;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<Form1> m_form;
    QList<QTimer*> m_pollers;
    QTimer m_watchdog;
    bool m_watchdogFired = false;
};

void TestFlashEndToEnd::init() {
    QVERIFY(m_dir.isValid());
    qputenv("TESSAREL_PORT_DIR", m_dir.path().toLocal8Bit());
    m_watchdogFired = false;
    m_watchdog.setSingleShot(true);
    m_watchdog.disconnect();
    connect(&m_watchdog, &QTimer::timeout, this, [this] {
        // A wait that never ends fails the test instead of hanging it.
        m_watchdogFired = true;
        if (m_form) {
            m_form->declaration.shuttingDown = true;
        }
    });
    m_watchdog.start(120000);
}

void TestFlashEndToEnd::cleanup() {
    qDeleteAll(m_pollers);
    m_pollers.clear();
    m_form.reset();
    if (m_sim) {
        m_sim->stop();
    }
    m_sim.reset();
    m_dialogs.messages.clear();
    QVERIFY(!m_watchdogFired);
}

bool TestFlashEndToEnd::startBoard(QStringList options) {
    m_sim = std::make_unique<SimProcess>();
    m_sim->setEnvironmentValue(QStringLiteral("TESSAREL_PORT_DIR"), m_dir.path());
    options << QStringLiteral("--attach") << QStringLiteral("1");
    if (!m_sim->start(options)) {
        qWarning() << m_sim->error();
        return false;
    }
    return true;
}

void TestFlashEndToEnd::startPanel() {
    m_form = std::make_unique<Form1>(std::make_unique<QtSerialTransport>(), &portmap::resolve, m_dialogs);
    m_form->ComboPort->setCurrentIndex(0);
    m_form->linkControl->ComboPort_Click(0);
    QVERIFY2(m_form->MSComm1->portOpen(), qPrintable(m_dialogs.texts().join(QLatin1Char('\n'))));
}

void TestFlashEndToEnd::once(std::function<bool()> condition, std::function<void()> action) {
    auto* poll = new QTimer;
    m_pollers << poll;
    connect(poll, &QTimer::timeout, poll, [poll, condition, action] {
        if (condition()) {
            poll->stop();
            action();
        }
    });
    poll->start(5);
}

bool TestFlashEndToEnd::simSaid(const QString& prefix) const {
    for (const QString& line : m_sim->lines()) {
        if (line.startsWith(prefix)) {
            return true;
        }
    }
    return false;
}

void TestFlashEndToEnd::verifyIdle() {
    const Form1& f = *m_form;
    QVERIFY(!f.declaration.transferActive());
    QVERIFY(!f.declaration.AbortRequested);
    QVERIFY(!f.Command1->isEnabled());
    QVERIFY(f.ProgressBarFlash->isHidden());
    QCOMPARE(f.MSComm1->inputLen(), 1);
    QCOMPARE(f.MSComm1->rThreshold(), 1);
}

void TestFlashEndToEnd::programSurvivesPowerCycle() {
    const QString flashFile = m_dir.filePath(QStringLiteral("flash.bin"));
    QVERIFY(startBoard({QStringLiteral("--flash-file"), flashFile}));
    startPanel();
    const QStringList lines = steps(kMaxLines);
    m_form->editor.replaceAll(lines);
    const SequenceTable sent = m_form->declaration.SequenceBuffer;
    m_form->CommandFlash->click();
    QCOMPARE(m_dialogs.texts(), QStringList{FlashController::kProgrammed});
    QVERIFY(m_sim->waitForLine(QStringLiteral("flash-program complete 14336")) >= 0);

    m_form.reset();
    QVERIFY(m_sim->stop());
    QVERIFY(startBoard({QStringLiteral("--flash-file"), flashFile}));
    QVERIFY(m_sim->waitForLine(QStringLiteral("flash-loaded 14336")) >= 0);
    startPanel();
    m_dialogs.messages.clear();
    m_form->CommandRead->click();
    QCOMPARE(m_dialogs.texts(), QStringList{FlashController::kRead});
    const Form1& f = *m_form;
    QCOMPARE(f.sequenceList.count(), kMaxLines);
    for (int s = 0; s < kMaxLines; ++s) {
        for (int field = 0; field <= kDurationField; ++field) {
            QCOMPARE(f.declaration.SequenceBuffer[s][field], sent[s][field]);
        }
    }
    QCOMPARE(f.sequenceList.lines(), lines);
    verifyIdle();
}

void TestFlashEndToEnd::noAcknowledgement() {
    QVERIFY(startBoard({QStringLiteral("--mute-after"), QStringLiteral("512")}));
    startPanel();
    const QStringList lines = steps(100);
    m_form->editor.replaceAll(lines);
    once([this] { return simSaid(QStringLiteral("fault ack-withheld")); },
         [this] { m_form->Command1->click(); });
    m_form->CommandFlash->click();
    QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("ACK 511")});
    QCOMPARE(m_form->sequenceList.lines(), lines);
    verifyIdle();
}

void TestFlashEndToEnd::wrongByteThenAck() {
    QVERIFY(startBoard({QStringLiteral("--wrong-ack-once"), QStringLiteral("85"),
                        QStringLiteral("--wrong-ack-from"), QStringLiteral("2"),
                        QStringLiteral("--ack-after-wrong")}));
    startPanel();
    m_form->editor.replaceAll(steps(60));
    m_form->CommandFlash->click();
    QCOMPARE(m_form->Echo->text(), ReceiveHandler::kError);
    QCOMPARE(m_dialogs.texts(), QStringList{FlashController::kProgrammed});
    QVERIFY(m_sim->waitForLine(QStringLiteral("flash-program complete 840")) >= 0);
    verifyIdle();
}

void TestFlashEndToEnd::wrongByteOnly() {
    QVERIFY(startBoard({QStringLiteral("--wrong-ack"), QStringLiteral("85")}));
    startPanel();
    const QStringList lines = steps(10);
    m_form->editor.replaceAll(lines);
    // The wait goes on after "Error!" until the user gives up.
    once([this] { return m_form->Echo->text() == ReceiveHandler::kError; },
         [this] { m_form->Command1->click(); });
    m_form->CommandFlash->click();
    QCOMPARE(m_dialogs.texts(), QStringList{FlashController::kHeaderAbort});
    QCOMPARE(m_form->sequenceList.lines(), lines);
    verifyIdle();
}

void TestFlashEndToEnd::shortRead() {
    QVERIFY(startBoard({QStringLiteral("--read-count"), QStringLiteral("200"),
                        QStringLiteral("--read-send"), QStringLiteral("100")}));
    startPanel();
    const QStringList lines = steps(3);
    m_form->editor.replaceAll(lines);
    m_form->CommandFlash->click();
    m_dialogs.messages.clear();
    once([this] { return m_form->ProgressBarFlash->value() == 100; },
         [this] { m_form->Command1->click(); });
    m_form->CommandRead->click();
    QVERIFY(m_dialogs.texts().isEmpty()); // an abort without overflow is silent
    QCOMPARE(m_form->sequenceList.lines(), lines);
    verifyIdle();
}

void TestFlashEndToEnd::overflowRead() {
    QVERIFY(startBoard({QStringLiteral("--read-count"), QStringLiteral("20000"),
                        QStringLiteral("--read-send"), QStringLiteral("5000")}));
    startPanel();
    const QStringList lines = steps(400);
    m_form->editor.replaceAll(lines);
    m_form->CommandFlash->click();
    m_dialogs.messages.clear();
    once([this] { return m_form->ProgressBarFlash->value() == 5000; },
         [this] { m_form->Command1->click(); });
    m_form->CommandRead->click();
    QCOMPARE(m_form->Echo->text(), ReceiveHandler::kOverflow);
    QCOMPARE(m_dialogs.texts(), QStringList{FlashController::kRead});
    QCOMPARE(m_form->sequenceList.count(), 5000 / 14);
    QCOMPARE(m_form->sequenceList.lines(), lines.mid(0, 5000 / 14));
    verifyIdle();
}

void TestFlashEndToEnd::hangUp_data() {
    QTest::addColumn<bool>("reading");
    QTest::addColumn<int>("after");
    QTest::newRow("during programming") << false << 1000;
    QTest::newRow("during a read") << true << 1;
}

void TestFlashEndToEnd::hangUp() {
    QFETCH(bool, reading);
    QFETCH(int, after);
    QVERIFY(startBoard({QStringLiteral("--hang-up-after"), QString::number(after)}));
    startPanel();
    const QStringList lines = steps(100);
    m_form->editor.replaceAll(lines);
    (reading ? m_form->CommandRead : m_form->CommandFlash)->click();
    QCOMPARE(m_dialogs.texts(), QStringList{reading ? FlashController::readLostText()
                                                    : FlashController::programmingLostText()});
    QCOMPARE(m_form->sequenceList.lines(), lines);
    QTRY_VERIFY(m_form->ComboPort->isEnabled());
    QCOMPARE(m_dialogs.messages.size(), 1); // the link adds no second message
    verifyIdle();
}

QTEST_MAIN(TestFlashEndToEnd)
#include "tst_flash_e2e.moc"
