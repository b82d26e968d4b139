#include "BoardRig.h"
#include "support/ProgramSteps.h"

#include "board/HiResTimer.h"
#include "core/BoardCommands.h"
#include "core/flash/FlashImage.h"
#include "ui/flash/FlashController.h"
#include "ui/session/SessionController.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

namespace {

// Two steps as the board stores them, then filler up to the whole flash; what they read back as.
const QByteArray kFlash = QByteArray::fromHex("8100ff") + QByteArray(9, char(128)) +
                          QByteArray::fromHex("0032") + QByteArray(12, char(128)) +
                          QByteArray::fromHex("0100") + QByteArray(kFlashImageMax - 28, char(128));
const QString kZero = QStringLiteral("0 °\t");
const QStringList kTwoStepLines{QStringLiteral("0.5 °\t-64 °\t63.5 °\t") + kZero.repeated(9) +
                                    QStringLiteral("1000 ms\t"),
                                kZero.repeated(12) + QStringLiteral("5120 ms\t")};
const QString kFillerLine = kZero.repeated(12) + QStringLiteral("657920 ms\t");

// A programming of `lines` steps, or a read of 5 from a board that announces a count and sends
// some bytes. The action runs while the transfer waits, once the panel has written `at` bytes,
// or in a read once `at` bytes are shown. The exchange itself is the board layer's test; here
// what the window shows of it.
struct Run {
    int lines; // programmed; 0 for a read
    int at;
    QString action;
    QString message;
    int announced = 0; // -1: no answer
    int sent = 0;
    int rows = -1; // read into the list; -1: it stays as it was
    int acks = 0;  // programming to the end: acknowledgements taken, the progress divisor
    int divisor = 0;
};

} // namespace

Q_DECLARE_METATYPE(Run)

class TestFlashController : public QObject {
    Q_OBJECT

private slots:
    void transfer_data() {
        QTest::addColumn<Run>("run");
        const auto row = [](const char* name, const Run& run) { QTest::newRow(name) << run; };
        const QString lost = FlashController::programmingLostText();
        const QString done = FlashController::kProgrammed;
        const QString read = FlashController::kRead;
        row("19 steps: one block wait", {19, 0, "", done, 0, 0, -1, 2, 1});
        row("wrong replies only, Abort", {100, 3, "wrong, abort", "ACK !!!"});
        row("port lost sending a block", {100, 100, "lose now", lost});
        row("nothing else on the line", {100, 3, "try, ack", done});
        row("a step beyond the layout",
            {5, 0, "unstorable", flashimage::unstorableMessage({3, {}, 4, 328})});
        row("read 28 bytes", {0, 0, "", read, 28, 28, 2});
        row("read 20000, 5000 sent: Abort keeps them", {0, 5000, "abort", read, 20000, 5000, 357});
        row("read port lost, data", {0, 20, "lose", FlashController::readLostText(), 28, 20});
    }
    void transfer() {
        QFETCH(Run, run);
        const QString& action = run.action;
        const bool reading = run.lines == 0 && run.announced != 0;
        const bool sends = action != "unstorable";
        boardsim::BoardConfig config;
        config.faults.readCount = static_cast<uint16_t>(qMax(0, run.announced));
        config.faults.readSend = static_cast<std::size_t>(run.sent);
        BoardRig rig(config);
        rig.mute = run.announced < 0;
        rig.core.setFlash(boardsim::BoardCore::Bytes(kFlash.begin(), kFlash.end()));
        MainWindow& f = *rig.form;
        const QStringList lines = programSteps(reading ? 5 : run.lines, sends ? -1 : 3);
        f.panel().editor().replaceAll(lines);
        f.panel().list().setSelectedIndex(1);
        QVERIFY(lines.isEmpty() || f.panel().editor().toggleBreak());
        const QStringList before = f.panel().list().lines();
        const SequenceTable table = f.panel().editor().table();
        const QByteArray exchange = reading || !sends ? QByteArray() : programExchange(run.lines);
        if (sends) {
            f.flashController()
                .abortTransfer(); // an Abort with nothing running must end nothing later
        }
        f.sideColumn().pcControlSwitch->setValueSilently(!sends);
        const auto act = [&] {
            if (action.startsWith("try")) { // none of it may write or ask while a transfer runs
                f.channelsFrame().sliders[3]->setValue(200);
                emit f.serialDebugFrame().echoBox->clicked();
                f.menus().saveBufferAction->trigger();
                f.sideColumn().pcControlSwitch->click();
                f.menus().resetAction->trigger();
                f.realEmuFrame().realEmuSwitch->click();
                f.flashFrame().programButton->click();
            }
            if (action.endsWith("abort")) {
                f.flashFrame().abortButton->click();
            } else if (action == "lose") {
                rig.port->loseDevice(QStringLiteral("lost"));
            } else {
                rig.mute = false;
                rig.deliver(QByteArray("\xff"));
            }
        };
        QList<double> progress;
        QObject::connect(f.flashFrame().progressBar, &SlideControl::valueChanged,
                         [&](int, double v) {
                             progress << v;
                             if (reading && run.at > 1 && v >= run.at) {
                                 rig.later(act);
                             }
                         });
        int early = 0; // image bytes sent before the ack of the block before them
        rig.beforeByte = [&] {
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
                rig.deliver(QByteArray("\x55"));
            }
            // a few turns of the event loop first: nothing but the action ends it
            rig.later([&] { rig.later([&] { rig.later(act); }); });
        };
        int acks = -1;
        rig.dialogs.onInformation = [&](const auto&) { acks = rig.deliveries; };
        (reading ? f.flashFrame().readButton : f.flashFrame().programButton)->click();
        QTRY_VERIFY(!f.panel().board().transfer());
        QCoreApplication::processEvents();
        const bool programmed = run.message == FlashController::kProgrammed;
        QCOMPARE(rig.dialogs.texts(),
                 run.message.isEmpty() ? QStringList{} : QStringList{run.message});
        QVERIFY(rig.dialogs.questions.isEmpty());
        // A slider moved during the transfer goes out when it ends.
        const QByteArray deferred =
            action.startsWith("try") ? QByteArray("\x0b\xc8") : QByteArray();
        QCOMPARE(rig.sent(),
                 reading ? QByteArray("\x06")
                         : (programmed ? exchange + deferred : exchange.left(run.at)));
        QCOMPARE(rig.port->writes.size(), rig.port->written().size()); // one byte a write
        const QByteArray image = exchange.mid(3);
        QCOMPARE(rig.core.flash() == boardsim::BoardCore::Bytes(image.begin(), image.end()),
                 programmed);
        QCOMPARE(f.serialDebugFrame().echoBox->text(), action.startsWith("wrong") ? Board::kError
                                                       : run.announced > 14336    ? Board::kOverflow
                                                                                  : QString());
        QCOMPARE(f.sideColumn().pcControlSwitch->value(), !sends); // a refusal changes nothing
        if (run.rows < 0) {
            QCOMPARE(f.panel().list().lines(), before);
            QVERIFY(f.panel().editor().table() == table);
        } else {
            QCOMPARE(f.panel().list().lines(),
                     (kTwoStepLines + QStringList(run.rows, kFillerLine)).mid(0, run.rows));
            QVERIFY(!f.panel().list().hasBreakMark(1) &&
                    f.panel().editor().table()[1][kBreakField] == 0);
            QCOMPARE(f.panel().list().selectedIndex(), -1);
        }
        if (run.acks > 0) {
            QCOMPARE(early, 0);
            QCOMPARE(acks, run.acks);
            QCOMPARE(f.flashFrame().progressBar->axisMaximum(), run.lines - 1.0);
            QCOMPARE(progress.size(), qMax(0, run.lines * 14 - 1) / run.divisor);
            for (int k = 0; k < progress.size(); ++k) {
                QCOMPARE(progress[k], (k + 1) * run.divisor / 14.0);
            }
        }
        QCOMPARE(f.sideColumn().portChooser->isEnabled(), run.message.contains("lost"));
        QVERIFY(!f.panel().board().transfer() && !f.flashFrame().abortButton->isEnabled() &&
                f.flashFrame().progressBar->isHidden() && !f.realEmuFrame().realEmuSwitch->value());
        QVERIFY(f.panel().serial().inputLen() == 1 && f.panel().serial().rThreshold() == 1 &&
                f.panel().serial().inputMode() == SerialControl::InputMode::Binary &&
                f.panel().serial().inBufferCount() == 0);
    }

    void pcControlOffBeforeProgramming() {
        BoardRig rig;
        MainWindow& f = *rig.form;
        f.panel().editor().replaceAll({QStringLiteral("0 \u00B0\t").repeated(12) + "1000 ms"});
        f.sideColumn().pcControlSwitch->setValueSilently(true);
        f.flashFrame().programButton->click();
        QTRY_VERIFY(!f.panel().board().transfer());
        QCOMPARE(rig.port->written(), QByteArray::fromHex("0002000e") + QByteArray(12, char(128)) +
                                          QByteArray::fromHex("0032"));
        QCOMPARE(rig.dialogs.texts(), QStringList{FlashController::kProgrammed});
        QVERIFY(!f.sideColumn().pcControlSwitch->value());
    }

    // Ch3 held to 100..180: the image carries its limit, and the status bar says so first.
    void limitedImageSaysSo() {
        BoardRig rig;
        MainWindow& f = *rig.form;
        ChannelSetup setup;
        QVERIFY(setup.setChannel(3, {QStringLiteral("elbow"), 100, 180}));
        f.panel().setChannelSetup(setup);
        f.panel().editor().replaceAll({QStringLiteral("0 \u00B0\t").repeated(3) + "-64 \u00B0\t" +
                                       QStringLiteral("0 \u00B0\t").repeated(8) + "1000 ms"});
        f.flashFrame().programButton->click();
        QCOMPARE(
            f.statusBar()->currentMessage(),
            QStringLiteral("1 value lies outside the channel limits and is written at its limit."));
        QTRY_VERIFY(!f.panel().board().transfer());
        QCOMPARE(rig.port->written(), QByteArray::fromHex("02000e8080806480808080808080800032"));

        // Verify compares with the limited image, and names the channel.
        f.flashFrame().verifyButton->click();
        QTRY_VERIFY(!f.panel().board().transfer());
        f.panel().editor().replaceAll({QStringLiteral("0 \u00B0\t").repeated(3) + "-10 \u00B0\t" +
                                       QStringLiteral("0 \u00B0\t").repeated(8) + "1000 ms"});
        f.flashFrame().verifyButton->click();
        QTRY_VERIFY(!f.panel().board().transfer());
        QCOMPARE(rig.dialogs.texts().mid(1),
                 (QStringList{"The board's flash holds this list (1 step).",
                              "The board's flash does not hold this list. Step N\u00B0 0, Ch3 "
                              "(elbow): the flash holds -14 \u00B0, the list -10 \u00B0; 1 step "
                              "differs."}));
    }

    void portClosed_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("told");
        QTest::newRow("Erease") << "CommandErase" << QStringList{};
        QTest::newRow("Read Seq.") << "CommandRead" << QStringList{"No Connection Available!"};
        QTest::newRow("Program  Seq.") << "CommandFlash" << QStringList{"No Connection Available!"};
    }

    void portClosed() {
        QFETCH(QString, button);
        FormRig rig(false);
        rig.form->panel().editor().replaceAll(
            {QStringLiteral("0 \u00B0\t").repeated(12) + "1000 ms"});
        const QStringList before = rig.form->panel().list().lines();
        rig.form->findChild<QPushButton*>(button)->click();
        QTEST(rig.dialogs.texts(), "told");
        QVERIFY(rig.port->writes.isEmpty());
        QCOMPARE(rig.form->panel().list().lines(), before);
        QVERIFY(!rig.form->panel().board().transfer() &&
                rig.form->flashFrame().progressBar->isHidden());
    }

    // Board playback: 3 on, 4 off, and while the board plays neither PC mode starts.
    void realEmu() {
        FormRig rig;
        MainWindow& f = *rig.form;
        f.realEmuFrame().realEmuSwitch->click();
        QCOMPARE(rig.port->written(), QByteArray("\x03"));
        QVERIFY(!f.pcEmuFrame().pcEmuSwitch->isEnabled() &&
                !f.pcDebugFrame().pcSeqSwitch->isEnabled());
        for (SwitchControl* mode : {f.pcEmuFrame().pcEmuSwitch, f.pcDebugFrame().pcSeqSwitch}) {
            mode->setValue(true); // as a script would, past the disabled switch
            QVERIFY(!mode->value());
            QCOMPARE(f.statusBar()->currentMessage(),
                     QStringLiteral("Switch \"Real Emu\" off first."));
        }
        f.realEmuFrame().realEmuSwitch->click();
        QCOMPARE(rig.sent(), QByteArray("\x03\x04"));
        QVERIFY(f.pcEmuFrame().pcEmuSwitch->isEnabled() &&
                f.pcDebugFrame().pcSeqSwitch->isEnabled() &&
                f.realEmuFrame().realEmuSwitch->isEnabled() && !f.panel().clock().isEnabled());
        QVERIFY(rig.dialogs.messages.isEmpty());

        FormRig closed(false);
        closed.form->realEmuFrame().realEmuSwitch->click();
        QCOMPARE(closed.dialogs.texts(), QStringList{"No Connection Available!"});
        QVERIFY(!closed.form->realEmuFrame().realEmuSwitch->value() &&
                closed.port->writes.isEmpty());
    }

    // An Echo click during a read leaves the arriving image alone; the read ends with all of it.
    void echoClickDuringRead() {
        boardsim::BoardConfig config;
        config.faults.readCount = 28;
        config.faults.readSend = 14; // the rest comes after the click
        BoardRig rig(config);
        rig.core.setFlash(boardsim::BoardCore::Bytes(kFlash.begin(), kFlash.end()));
        MainWindow& f = *rig.form;
        bool clicked = false;
        QObject::connect(f.flashFrame().progressBar, &SlideControl::valueChanged,
                         [&](int, double v) {
                             if (v >= 14 && !clicked) {
                                 clicked = true;
                                 rig.later([&] {
                                     emit f.serialDebugFrame().echoBox->clicked();
                                     rig.deliver(kFlash.mid(14, 14));
                                 });
                             }
                         });
        // Without the bytes the read would wait for ever; Abort ends it as a failure instead.
        QTimer::singleShot(5000, f.flashFrame().abortButton,
                           [&] { f.flashFrame().abortButton->click(); });
        f.flashFrame().readButton->click();
        QTRY_VERIFY(!f.panel().board().transfer());
        QVERIFY(clicked);
        QCOMPARE(f.panel().list().lines(), kTwoStepLines);
        QCOMPARE(rig.dialogs.texts(), QStringList{FlashController::kRead});
    }

    void eraseAsks_data() {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("yes") << true << QByteArray::fromHex("07");
        QTest::newRow("no") << false << QByteArray();
    }

    // The progress bar appears while the user works: the buttons beside it stay where they were.
    void nothingMovesWhenProgrammingStarts() {
        FormRig f;
        MainWindow& w = *f.form;
        w.resize(1280, 800);
        w.show();
        w.sessionController().showFlashFrames(true);
        w.panel().editor().replaceAll({QStringLiteral("0 \u00B0\t").repeated(12) + "1000 ms"});
        const QPushButton* add = w.bufferEditFrame().addButton;
        const auto place = [&] {
            QApplication::processEvents();
            return QRect(add->mapTo(&w, QPoint()), add->size());
        };
        const QRect before = place();
        w.flashFrame().programButton->click();
        QVERIFY(w.panel().board().transfer()); // the fake board never answers
        QVERIFY(w.flashFrame().progressBar->isVisible());
        QCOMPARE(place(), before);
    }

    void eraseAsks() {
        QFETCH(bool, yes);
        FormRig f;
        f.dialogs.yesNoAnswers = {yes};
        f.form->flashFrame().eraseButton->click();
        QCOMPARE(f.dialogs.asked,
                 QStringList{"Erase the board's flash? The sequence stored on the board is lost."});
        QTEST(f.sent(), "sent");
    }

    // A board that says nothing for 3 s gets a note on the status bar; the wait itself goes on
    // until Abort, and the note goes with the transfer. A first byte in time means no note.
    void unansweredTransfer_data() {
        QTest::addColumn<bool>("answered");
        QTest::addColumn<QString>("note");
        QTest::newRow("silent")
            << false
            << "The board has not answered yet. Check that it is powered and on "
               "the chosen port; \"Abort\" ends the wait.";
        QTest::newRow("answered") << true << "";
    }

    void unansweredTransfer() {
        QFETCH(bool, answered);
        FormRig f;
        f.form->flashFrame().readButton->click();
        QVERIFY(f.form->panel().board().transfer());
        if (answered) {
            f.port->inject(QByteArray::fromHex("0010")); // the count; the data never comes
        }
        QTest::qWait(3300);
        QVERIFY(f.form->panel().board().transfer());
        QTEST(f.form->statusBar()->currentMessage(), "note");
        f.form->flashFrame().abortButton->click();
        QTRY_VERIFY(!f.form->panel().board().transfer());
        QCOMPARE(f.form->statusBar()->currentMessage(), QString());
    }
};

QTEST_MAIN(TestFlashController)

#include "tst_flashcontroller.moc"
