#include "BoardRig.h"

#include "core/BoardCommands.h"
#include "core/flash/FlashImage.h"
#include "ui/flash/FlashController.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QAction>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

namespace {

QStringList steps(int count) {
    QStringList lines;
    for (int s = 0; s < count; ++s) {
        std::array<int, kChannelCount> p{};
        for (int c = 0; c < kChannelCount; ++c) {
            p[c] = (s * 7 + c * 13) % 256;
        }
        lines << BoardRig::lineOf(p, 20 * (1 + s % 300));
    }
    return lines;
}

// Two steps as the board stores them, then filler up to the whole flash; what they read back as.
const QByteArray kFlash = QByteArray::fromHex("8100ff") + QByteArray(9, char(128)) +
                          QByteArray::fromHex("0032") + QByteArray(12, char(128)) +
                          QByteArray::fromHex("0100") + QByteArray(kFlashImageMax - 28, char(128));
const QString kZero = QStringLiteral("0 °\t");
const QStringList kTwoStepLines{QStringLiteral("0.5 °\t-64 °\t63.5 °\t") + kZero.repeated(9) +
                                    QStringLiteral("1000 ms\t"),
                                kZero.repeated(12) + QStringLiteral("5120 ms\t")};
const QString kFillerLine = kZero.repeated(12) + QStringLiteral("657920 ms\t");

// The whole programming exchange for the list as it stands.
QByteArray exchangeOf(const Form1& form) {
    const int lines = form.sequenceList.count();
    const int n = flashimage::byteCount(lines);
    FlashImageTable image{};
    flashimage::packImage(form.declaration.SequenceBuffer, lines, image);
    QByteArray bytes(1, char(board::FlashProgram));
    bytes += char(n / 256);
    bytes += char(n % 256);
    for (int i = 0; i < n; ++i) {
        bytes.append(static_cast<char>(flashimage::wireByte(image, i)));
    }
    return bytes;
}

// Everything else that writes to the line; none of it may while a transfer runs.
void tryTheLine(Form1& f) {
    f.CWSlide1[3]->setValue(200);
    f.CommandStart->click();
    f.CommandStop->click();
    f.CWButtonMainOnOff->click();
    f.menuReset->trigger();
    f.CWButtonRealEmu->click();
    f.CommandFlash->click();
    f.CommandRead->click();
    f.statusBar()->clearMessage();
    f.CommandErase->click();
    QCOMPARE(f.statusBar()->currentMessage(), f.lineBusyText());
    QVERIFY(!f.CWButtonRealEmu->value());
}

// A programming of `lines` steps, or a read of 5 from a board that announces a count and sends
// some bytes. The action runs from inside the wait once the panel has written `at` bytes, or in
// a read once `at` bytes are shown.
struct Run {
    int lines; // programmed; 0 for a read
    int at;
    QString action;
    QString message;
    int announced; // -1: no answer
    int sent;
    int rows; // read into the list; -1: it stays as it was
    int acks; // programming to the end: acknowledgements taken, the progress divisor
    int divisor;
};

} // namespace

Q_DECLARE_METATYPE(Run)

class TestFlashController : public QObject {
    Q_OBJECT

    static void program(const char* name, int lines, int at, const char* action,
                        const QString& message, int acks = 0, int divisor = 0) {
        QTest::newRow(name) << Run{lines, at, action, message, 0, 0, -1, acks, divisor};
    }
    static void readRow(const char* name, int announced, int sent, int at, const char* action,
                        const QString& message, int rows = -1) {
        QTest::newRow(qPrintable(QStringLiteral("read ") + name))
            << Run{0, at, action, message, announced, sent, rows, 0, 0};
    }

private slots:
    void transfer_data() {
        QTest::addColumn<Run>("run");
        const QString lost = FlashController::programmingLostText();
        const QString done = FlashController::kProgrammed;
        const QString read = FlashController::kRead;
        program("empty list: the count only", 0, 0, "", done, 1, 1);
        program("19 steps: one block wait", 19, 0, "", done, 2, 1);
        program("128 steps: a wait after the last byte", 128, 0, "", done, 8, 2);
        program("1024 steps: 56 block waits", 1024, 0, "", done, 57, 11);
        program("Abort, first block", 100, 259, "abort", "ACK 255");
        program("Abort, third block", 100, 771, "abort", "ACK 767");
        program("wrong replies only, Abort", 100, 3, "wrong, abort", "ACK !!!");
        program("wrong reply and ack together", 100, 259, "wrong+ack", done);
        program("wrong reply, ack later", 100, 3, "wrong, ack", done);
        program("port lost sending a block", 100, 100, "lose now", lost);
        program("port lost waiting, count", 100, 3, "lose", lost);
        program("window closed while waiting", 100, 3, "close", "");
        program("nothing else on the line", 100, 3, "try, ack", done);
        program("a step beyond the layout", 5, 0, "unstorable",
                flashimage::unstorableMessage({3, {}, 4, 328}));
        readRow("28 bytes", 28, 28, 0, "", read, 2);
        readRow("30 bytes: the last 2 ignored", 30, 30, 0, "", read, 2);
        readRow("13 bytes", 13, 13, 0, "", FlashController::kNothingToRead);
        readRow("no port: no old image", 28, 28, 0, "closed", Form1::kNoConnection);
        readRow("14337: Abort keeps 14336", 14337, 14337, 14336, "abort", read, 1024);
        readRow("14337, 14336 sent", 14337, 14336, 0, "", read, 1024);
        readRow("20000, 5000 sent: Abort keeps them", 20000, 5000, 5000, "abort", read, 357);
        readRow("Abort, count", -1, 0, 1, "abort", "");
        readRow("port lost, data", 28, 20, 20, "lose", FlashController::readLostText());
        readRow("nothing else on the line", 28, 20, 20, "try, abort", "");
    }
    void transfer() {
        QFETCH(Run, run);
        const QString& action = run.action;
        const bool reading = run.lines == 0 && run.announced != 0;
        const bool closed = action == "closed";
        const bool sends = !closed && action != "unstorable";
        boardsim::BoardConfig config;
        config.faults.readCount = static_cast<uint16_t>(qMax(0, run.announced));
        config.faults.readSend = static_cast<std::size_t>(run.sent);
        BoardRig rig(config);
        rig.mute = run.announced < 0;
        rig.board.setFlash(boardsim::BoardCore::Bytes(kFlash.begin(), kFlash.end()));
        Form1& f = *rig.form;
        QStringList lines = steps(reading ? 5 : run.lines);
        if (!sends && !closed) {
            lines[3] = BoardRig::lineOf({0, 0, 0, 0, 328}, 1000);
        }
        rig.setList(lines);
        f.sequenceList.setSelectedIndex(1);
        QVERIFY(lines.isEmpty() || f.editor.toggleBreak());
        const QStringList before = f.sequenceList.lines();
        const SequenceTable table = f.declaration.SequenceBuffer;
        const QByteArray exchange = reading || !sends ? QByteArray() : exchangeOf(f);
        if (closed) {
            rig.port->loseDevice(QStringLiteral("lost"));
            QCoreApplication::processEvents();
            rig.dialogs.messages.clear();
            f.declaration.FlashByteCount = 28; // as after an earlier read
        }
        f.declaration.AbortRequested = sends; // left over; must end nothing
        f.CWButtonMainOnOff->setValueSilently(!sends);
        const auto act = [&] {
            if (action.startsWith("try")) {
                tryTheLine(f);
            }
            if (action.endsWith("abort")) {
                f.Command1->click();
            } else if (action == "lose") {
                rig.port->loseDevice(QStringLiteral("lost"));
            } else if (action == "close") {
                f.close();
            } else {
                rig.mute = false;
                if (action != "wrong+ack") {
                    rig.deliver(QByteArray("\xff"));
                }
            }
        };
        QList<double> progress;
        QObject::connect(f.ProgressBarFlash, &SlideControl::valueChanged, [&](int, double v) {
            progress << v;
            if (reading && run.at > 1 && v >= run.at) {
                rig.later(act);
            }
        });
        int early = 0; // image bytes sent before the ack of the block before them
        rig.beforeByte = [&](quint8) {
            const int k = rig.bytesSeen - 4;
            early += k >= 0 && rig.deliveries < 1 + k / board::kBlockSize ? 1 : 0;
            if (rig.bytesSeen != run.at) {
                return;
            }
            if (action == "lose now") {
                rig.port->loseDevice(QStringLiteral("lost"));
                return;
            }
            rig.mute = true;
            if (action.startsWith("wrong")) {
                rig.deliver(action == "wrong+ack" ? QByteArray("\x55\xff") : QByteArray("\x55"));
            }
            // a few passes of the wait first: nothing but the action ends it
            rig.later([&] { rig.later([&] { rig.later(act); }); });
        };
        int acks = -1;
        rig.dialogs.onInformation = [&](const auto&) { acks = rig.deliveries; };
        (reading ? f.CommandRead : f.CommandFlash)->click();
        QCoreApplication::processEvents();
        const bool programmed = run.message == FlashController::kProgrammed;
        QCOMPARE(rig.dialogs.texts(),
                 run.message.isEmpty() ? QStringList{} : QStringList{run.message});
        QCOMPARE(rig.port->written(), reading ? (closed ? QByteArray() : QByteArray("\x06"))
                                              : (programmed ? exchange : exchange.left(run.at)));
        QCOMPARE(rig.port->writes.size(), rig.port->written().size()); // one byte a write
        const QByteArray image = exchange.mid(3);
        QCOMPARE(rig.board.flash() == boardsim::BoardCore::Bytes(image.begin(), image.end()),
                 programmed);
        const bool wrong = action.startsWith("wrong");
        QCOMPARE(f.Echo->text(), wrong                   ? QString(ReceiveHandler::kError)
                                 : run.announced > 14336 ? QString(ReceiveHandler::kOverflow)
                                                         : QString());
        QCOMPARE(f.CWButtonMainOnOff->value(), !sends); // a refusal changes nothing
        if (run.rows < 0) {
            QCOMPARE(f.sequenceList.lines(), before);
            QVERIFY(f.declaration.SequenceBuffer == table);
        } else {
            QCOMPARE(f.sequenceList.lines(),
                     (kTwoStepLines + QStringList(run.rows, kFillerLine)).mid(0, run.rows));
            QVERIFY(!f.sequenceList.hasBreakMark(1) &&
                    f.declaration.SequenceBuffer[1][kBreakField] == 0);
            QCOMPARE(f.sequenceList.selectedIndex(), -1);
        }
        if (run.acks > 0) {
            QCOMPARE(early, 0);
            QCOMPARE(acks, run.acks);
            QCOMPARE(f.ProgressBarFlash->axisMaximum(), run.lines - 1.0);
            QCOMPARE(progress.size(), qMax(0, run.lines * 14 - 1) / run.divisor);
            for (int k = 0; k < progress.size(); ++k) {
                QCOMPARE(progress[k], (k + 1) * run.divisor / 14.0);
            }
        }
        QVERIFY(!f.declaration.transferActive() && !rig.watchdogFired);
        if (action == "close") {
            return;
        }
        QCOMPARE(f.ComboPort->isEnabled(), run.message.contains("lost") || closed);
        QVERIFY(!f.declaration.AbortRequested && !f.Command1->isEnabled() &&
                f.ProgressBarFlash->isHidden());
        QVERIFY(f.MSComm1->inputLen() == 1 && f.MSComm1->rThreshold() == 1 &&
                f.MSComm1->inputMode() == SerialControl::InputMode::Binary &&
                f.MSComm1->inBufferCount() == 0);
    }

    void eraseAndBoardPlayback() {
        BoardRig rig;
        Form1& f = *rig.form;
        f.CommandErase->click();
        f.CWButtonRealEmu->click(); // an empty flash is the board's business
        QVERIFY(!f.CWButtonEmuPC->isEnabled() && !f.CWButtonManual->isEnabled());
        f.CWButtonRealEmu->click();
        QVERIFY(f.CWButtonEmuPC->isEnabled() && f.CWButtonManual->isEnabled());
        // On while the board was there, off after it went: the other modes are free again.
        f.CWButtonRealEmu->click();
        rig.port->loseDevice(QStringLiteral("lost"));
        QCoreApplication::processEvents();
        rig.dialogs.messages.clear();
        f.CWButtonRealEmu->click();
        QVERIFY(!f.CWButtonRealEmu->value() && f.CWButtonRealEmu->isEnabled());
        QVERIFY(f.CWButtonEmuPC->isEnabled() && f.CWButtonManual->isEnabled());
        QCOMPARE(rig.dialogs.texts(), QStringList{Form1::kNoConnection});
        QCOMPARE(rig.port->written(), QByteArray("\x07\x03\x04\x03"));
    }
};

QTEST_MAIN(TestFlashController)
#include "tst_flashcontroller.moc"
