#include "BoardOnCore.h"
#include "support/ProgramSteps.h"

#include "board/FlashProgram.h"
#include "board/FlashRead.h"
#include "board/FlashVerify.h"
#include "core/BoardCommands.h"
#include "core/flash/FlashImage.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Two steps as the board stores them, then filler up to the whole flash.
const QByteArray kFlash = QByteArray::fromHex("8100ff") + QByteArray(9, char(128)) +
                          QByteArray::fromHex("0032") + QByteArray(12, char(128)) +
                          QByteArray::fromHex("0100") + QByteArray(kFlashImageMax - 28, char(128));

// Programming `lines` steps of programSteps(). The action comes once `at` bytes are written.
struct Program {
    int lines;
    int at;
    QString action;
    QString message;
    int acks = 0; // programming to the end: acknowledgements taken, the progress divisor
    int divisor = 0;
};

// A read from a board that announces a count and sends some bytes, `chunk` bytes an arrival
// (-1: it never answers). The action comes once all that was sent is shown.
struct Read {
    int announced;
    int sent;
    int chunk;
    QString action;
    QString message;
    int stored; // -1: no image
};

} // namespace

Q_DECLARE_METATYPE(Program)
Q_DECLARE_METATYPE(Read)

// The flash exchanges byte by byte against the simulator's core: what goes out, when, and
// what each way of ending says.
class TestFlashTransfer : public QObject {
    Q_OBJECT

private slots:
    void program_data() {
        QTest::addColumn<Program>("run");
        const auto row = [](const char* name, const Program& run) { QTest::newRow(name) << run; };
        const QString done = FlashProgram::kProgrammed;
        row("empty list: the count only", {0, 0, "", done, 1, 1});
        row("128 steps: a wait after the last byte", {128, 0, "", done, 8, 2});
        row("1024 steps: 56 block waits", {1024, 0, "", done, 57, 11});
        row("Abort, third block", {100, 771, "abort", "ACK 767"});
        row("wrong reply and ack together", {100, 259, "wrong+ack", done});
        row("port lost waiting for the count's ack", {100, 3, "lose", FlashProgram::lostText()});
        row("a step beyond the layout",
            {5, 0, "unstorable", flashimage::unstorableMessage({3, {}, 4, 328})});
    }
    void program() {
        QFETCH(Program, run);
        BoardOnCore rig;
        const bool sends = run.action != "unstorable";
        rig.editor.replaceAll(programSteps(run.lines, sends ? -1 : 3));
        const QByteArray exchange = sends ? programExchange(run.lines) : QByteArray();
        FlashProgram program(rig.board);
        QSignalSpy finished(&program, &Operation::finished);
        QList<double> progress;
        connect(&program, &Operation::progressChanged, [&](double v) { progress << v; });
        const auto act = [&] {
            if (run.action == "abort") {
                program.abort();
            } else if (run.action == "lose") {
                rig.port->loseDevice(QStringLiteral("lost"));
            } else {
                rig.mute = false;
            }
        };
        int early = 0; // image bytes sent before the ack of the block before them
        rig.beforeByte = [&] {
            const int k = rig.bytesSeen - 4;
            early += k >= 0 && rig.deliveries < 1 + k / board::kBlockSize ? 1 : 0;
            if (rig.bytesSeen == run.at) {
                rig.mute = true;
                if (run.action == "wrong+ack") {
                    rig.deliver(QByteArray("\x55\xff"));
                }
                // a few turns of the event loop first: nothing but the action ends it
                rig.later([&] { rig.later([&] { rig.later(act); }); });
            }
        };
        int acks = -1;
        connect(&program, &Operation::finished, [&] { acks = rig.deliveries; });
        program.start(rig.editor.table(), run.lines, false);
        QTRY_COMPARE(finished.count(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(program.message(), run.message);
        const bool programmed = run.message == FlashProgram::kProgrammed;
        QCOMPARE(rig.port->written(), programmed ? exchange : exchange.left(run.at));
        QCOMPARE(rig.port->writes.size(), rig.port->written().size()); // one byte a write
        QCOMPARE(sends && rig.bytesOf(rig.core.flash()) == exchange.mid(3), programmed);
        QCOMPARE(rig.echo, run.action.startsWith("wrong") ? Board::kError : QString());
        if (run.acks > 0) {
            QCOMPARE(early, 0);
            QCOMPARE(acks, run.acks);
            QCOMPARE(program.progressMaximum(), run.lines - 1.0);
            // 0 at the start, then on every d-th byte: 0, d, 2d ... as fractional steps.
            QCOMPARE(progress.size(),
                     1 + qMax(0, run.lines * 14 - 1) / run.divisor + (run.lines > 0));
            for (int k = 1; k < progress.size(); ++k) {
                QCOMPARE(progress[k], (k - 1) * run.divisor / 14.0);
            }
        }
        QVERIFY(!rig.board.transfer() && !rig.board.link().lineBusy());
    }

    void read_data() {
        QTest::addColumn<Read>("run");
        const auto row = [](const char* name, const Read& run) { QTest::newRow(name) << run; };
        const QString read = FlashRead::kRead;
        const QString nothing = FlashRead::kNothingToRead;
        const int whole = 1 << 20;
        row("none announced", {0, 0, whole, "", nothing, 0});
        row("28 bytes, the count's bytes arriving apart", {28, 28, 1, "", read, 28});
        row("30 bytes: the last 2 no step", {30, 30, whole, "", read, 30});
        row("13 bytes: no step", {13, 13, whole, "", nothing, 13});
        row("the whole flash in pieces", {14336, 14336, 1000, "", read, 14336});
        row("14337 announced, 14336 sent", {14337, 14336, whole, "", read, 14336});
        row("65535 announced, Abort keeps the first 14336",
            {65535, 14400, 1000, "abort", read, 14336});
        row("Abort without an overflow keeps nothing", {28, 10, whole, "abort", "", -1});
        row("Abort before the count", {0, 0, -1, "abort", "", -1});
        row("port lost during the data", {28, 20, whole, "lose", FlashRead::lostText(), -1});
    }
    void read() {
        QFETCH(Read, run);
        boardsim::BoardConfig config;
        config.faults.readCount = static_cast<uint16_t>(run.announced);
        config.faults.readSend = static_cast<std::size_t>(run.sent);
        BoardOnCore rig(config);
        rig.core.setFlash(boardsim::BoardCore::Bytes(kFlash.begin(), kFlash.end()));
        rig.mute = run.chunk < 0;
        rig.chunk = qMax(1, run.chunk);
        FlashRead read(rig.board);
        QSignalSpy finished(&read, &Operation::finished);
        const auto act = [&] {
            run.action == "abort" ? read.abort() : rig.port->loseDevice(QStringLiteral("lost"));
        };
        connect(&read, &Operation::progressChanged, [&](double shown) {
            if (!run.action.isEmpty() && shown == run.sent) {
                rig.later(act);
            }
        });
        read.start();
        if (rig.mute) {
            rig.later([&] { rig.later([&] { rig.later(act); }); });
        }
        QTRY_COMPARE(finished.count(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(read.message(), run.message);
        QCOMPARE(rig.port->written(), QByteArray("\x06"));
        QCOMPARE(read.hasImage(), run.stored >= 0);
        if (read.hasImage()) {
            QCOMPARE(read.byteCount(), run.stored);
            // Byte i in step i / 14, byte i % 14.
            const QByteArray image(reinterpret_cast<const char*>(read.image().data()), run.stored);
            QCOMPARE(image, kFlash.left(run.stored));
        }
        QCOMPARE(rig.echo, run.announced > 14336 ? Board::kOverflow : QString());
        // Back to one byte a read and a notification for each, nothing left waiting.
        SerialControl& s = rig.serial;
        QVERIFY(s.inputLen() == 1 && s.rThreshold() == 1 && s.inBufferCount() == 0 &&
                s.inputMode() == SerialControl::InputMode::Binary);
        QVERIFY(!rig.board.transfer() && !rig.board.link().lineBusy());
    }

    // Only a read that ended by itself, of exactly the list's bytes, holds the list.
    void verify_data() {
        QTest::addColumn<QByteArray>("flash");
        QTest::addColumn<int>("announced"); // -1: what the flash holds
        QTest::addColumn<int>("sent");
        QTest::addColumn<QString>("message");
        const QByteArray list = programExchange(3).mid(3);
        const QString unread = QStringLiteral("The board's flash was not read to the end, so "
                                              "whether it holds this list is not known.");
        QTest::newRow("the list") << list << -1 << -1
                                  << "The board's flash holds this list (3 steps).";
        QTest::newRow("two stray bytes after the list")
            << list + QByteArray::fromHex("0102") << -1 << -1
            << "The board's flash does not hold this list: it holds 44 bytes where the list's 3 "
               "steps make 42.";
        QTest::newRow("20000 announced, the list sent, Abort") << list << 20000 << 42 << unread;
        QTest::newRow("Abort before the count") << list << 0 << 0 << unread;
    }
    void verify() {
        QFETCH(QByteArray, flash);
        QFETCH(int, announced);
        QFETCH(int, sent);
        QFETCH(QString, message);
        boardsim::BoardConfig config;
        if (announced >= 0) {
            config.faults.readCount = static_cast<uint16_t>(announced);
            config.faults.readSend = static_cast<std::size_t>(sent);
        }
        BoardOnCore rig(config);
        rig.core.setFlash(boardsim::BoardCore::Bytes(flash.begin(), flash.end()));
        rig.mute = announced == 0;
        rig.editor.replaceAll(programSteps(3));
        FlashVerify verify(rig.board);
        QSignalSpy finished(&verify, &Operation::finished);
        connect(&verify, &Operation::progressChanged, [&](double shown) {
            if (shown == sent) {
                rig.later([&] { verify.abort(); });
            }
        });
        verify.start(rig.editor.table(), 3, QLocale::c());
        if (rig.mute) {
            rig.later([&] { verify.abort(); });
        }
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(verify.message(), message);
        QCOMPARE(rig.list.lines(), programSteps(3));
    }
};

QTEST_GUILESS_MAIN(TestFlashTransfer)
#include "tst_flashtransfer.moc"
