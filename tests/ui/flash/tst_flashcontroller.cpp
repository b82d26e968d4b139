#include "BoardRig.h"

#include "core/BoardCommands.h"
#include "core/flash/FlashImage.h"
#include "ui/flash/FlashController.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

namespace {

const QString kLost = QStringLiteral("lost");

std::array<int, kChannelCount> centre() {
    std::array<int, kChannelCount> p{};
    p.fill(128);
    return p;
}

// Lines whose positions and durations differ from step to step; durations in whole 20 ms units
// unless odd is set.
QStringList steps(int count, bool odd = false) {
    QStringList lines;
    for (int s = 0; s < count; ++s) {
        std::array<int, kChannelCount> p{};
        for (int c = 0; c < kChannelCount; ++c) {
            p[c] = (s * 7 + c * 13) % 256;
        }
        lines << BoardRig::lineOf(p, 20 * (1 + s % 300) + (odd && s % 3 == 0 ? 10 : 0));
    }
    return lines;
}

QByteArray bytesOf(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) {
        b.append(static_cast<char>(v));
    }
    return b;
}

QByteArray expectedImage(const Form1& form) {
    FlashImageTable image{};
    flashimage::packImage(form.declaration.SequenceBuffer, form.sequenceList.count(), image);
    QByteArray bytes;
    for (int i = 0; i < flashimage::byteCount(form.sequenceList.count()); ++i) {
        bytes.append(static_cast<char>(flashimage::wireByte(image, i)));
    }
    return bytes;
}

QByteArray flashOf(const boardsim::BoardCore& board) {
    return QByteArray(reinterpret_cast<const char*>(board.flash().data()),
                      static_cast<qsizetype>(board.flash().size()));
}

// The state every end of a transfer leaves behind.
void verifyIdle(const BoardRig& rig) {
    const Form1& f = *rig.form;
    QVERIFY(!f.declaration.AwaitingAck);
    QVERIFY(!f.declaration.ReadingFlash);
    QVERIFY(!f.declaration.AbortRequested);
    QVERIFY(!f.Command1->isEnabled());
    QVERIFY(f.ProgressBarFlash->isHidden());
    QCOMPARE(f.MSComm1->inputLen(), 1);
    QCOMPARE(f.MSComm1->rThreshold(), 1);
    QVERIFY(f.MSComm1->inputMode() == SerialControl::InputMode::Binary);
    QVERIFY(!rig.watchdogFired);
}

} // namespace

class TestFlashController : public QObject {
    Q_OBJECT

private slots:
    // ---- programming

    void programOneStep() {
        BoardRig rig;
        rig.setList({BoardRig::lineOf(centre(), 1000)});
        rig.form->CommandFlash->click();
        QByteArray expected = bytesOf({2, 0, 14});
        expected += QByteArray(12, char(128)) + bytesOf({0, 50});
        QCOMPARE(rig.port->written(), expected);
        for (const QByteArray& w : rig.port->writes) {
            QCOMPARE(w.size(), 1);
        }
        QCOMPARE(rig.dialogs.texts(), QStringList{FlashController::kProgrammed});
        QCOMPARE(rig.dialogs.messages.first().title, Form1::kProgramTitle);
        QCOMPARE(rig.deliveries, 1); // no wait after a short last block
        QCOMPARE(flashOf(rig.board), expected.mid(3));
        verifyIdle(rig);
    }

    void programWaitsForEveryAck_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("acks");
        QTest::newRow("empty list: count only") << 0 << 1;
        QTest::newRow("1 step") << 1 << 1;
        QTest::newRow("19 steps: one block wait") << 19 << 2;
        QTest::newRow("128 steps: waits after the last byte") << 128 << 8;
        QTest::newRow("1024 steps: 56 block waits") << 1024 << 57;
    }
    void programWaitsForEveryAck() {
        QFETCH(int, lines);
        QFETCH(int, acks);
        BoardRig rig;
        rig.setList(steps(lines));
        int early = 0;
        rig.beforeByte = [&](quint8) {
            const int k = rig.bytesSeen - 1 - 3; // image byte number
            if (k >= 0 && rig.deliveries < 1 + k / board::kBlockSize) {
                ++early;
            }
        };
        int acksAtMessage = -1;
        rig.dialogs.onInformation = [&](const ScriptedDialogs::Message&) { acksAtMessage = rig.deliveries; };
        rig.form->CommandFlash->click();
        QCOMPARE(early, 0);
        QCOMPARE(acksAtMessage, acks);
        QCOMPARE(rig.dialogs.texts(), QStringList{FlashController::kProgrammed});
        const qint32 n = lines * 14;
        QCOMPARE(rig.port->written().left(3), bytesOf({2, n / 256, n % 256}));
        QCOMPARE(rig.port->writes.size(), 3 + n);
        QCOMPARE(flashOf(rig.board), expectedImage(*rig.form));
        verifyIdle(rig);
    }

    void progressOf1024Steps() {
        BoardRig rig;
        rig.setList(steps(1024));
        QList<double> values;
        QObject::connect(rig.form->ProgressBarFlash, &SlideControl::valueChanged,
                         [&](int, double v) { values << v; });
        double maximum = -1;
        bool shown = false;
        rig.beforeByte = [&](quint8) {
            if (rig.bytesSeen == 4) {
                maximum = rig.form->ProgressBarFlash->axisMaximum();
                shown = !rig.form->ProgressBarFlash->isHidden();
            }
        };
        rig.form->CommandFlash->click();
        QCOMPARE(maximum, 1023.0);
        QVERIFY(shown);
        QCOMPARE(values.size(), 1303); // every 11th byte; byte 0 leaves the value at 0
        for (double v : values) {
            const int i = qRound(v * 14);
            QCOMPARE(i % 11, 0);
            QCOMPARE(v, i / 14.0);
        }
        QCOMPARE(values.first(), 11 / 14.0);
        QCOMPARE(values.last(), 14333 / 14.0);
        verifyIdle(rig);
    }

    void pcControlGoesOff() {
        BoardRig rig;
        rig.form->CWButtonMainOnOff->setValueSilently(true);
        rig.setList(steps(1));
        rig.port->clearWrites();
        rig.form->CommandFlash->click();
        QVERIFY(!rig.form->CWButtonMainOnOff->value());
        QVERIFY(rig.port->written().endsWith(bytesOf({2, 0, 14}) + expectedImage(*rig.form)));
        QCOMPARE(rig.dialogs.texts().last(), FlashController::kProgrammed);
    }

    // A board that stops answering leaves the wait running until Abort.
    void abort_data() {
        QTest::addColumn<int>("silentAfter"); // image bytes, -1 for the count
        QTest::addColumn<QString>("message");
        QTest::newRow("header") << -1 << QStringLiteral("ACK !!!");
        QTest::newRow("first block") << 256 << QStringLiteral("ACK 255");
        QTest::newRow("third block") << 768 << QStringLiteral("ACK 767");
    }
    void abort() {
        QFETCH(int, silentAfter);
        QFETCH(QString, message);
        boardsim::BoardConfig config;
        config.transferTimeout = std::chrono::milliseconds(0);
        if (silentAfter >= 0) {
            config.faults.muteAfterImageBytes = static_cast<std::size_t>(silentAfter);
        }
        BoardRig rig(config);
        rig.mute = silentAfter < 0;
        rig.setList(steps(100));
        const int lastByte = 3 + qMax(0, silentAfter);
        rig.beforeByte = [&](quint8) {
            if (rig.bytesSeen == lastByte) {
                // A few passes of the wait first: nothing but Abort ends it.
                rig.later([&] { rig.later([&] { rig.form->Command1->click(); }); });
            }
        };
        rig.form->CommandFlash->click();
        QCOMPARE(rig.dialogs.texts(), QStringList{message});
        QCOMPARE(rig.port->writes.size(), lastByte); // nothing is sent on an abort
        verifyIdle(rig);
    }

    void wrongReply_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("ackFollows");
        QTest::newRow("header, 255 follows") << 0 << true;
        QTest::newRow("block, 255 follows") << 1 << true;
        QTest::newRow("header, 255 comes later") << 0 << false;
        QTest::newRow("block, 255 comes later") << 1 << false;
    }
    void wrongReply() {
        QFETCH(int, from);
        QFETCH(bool, ackFollows);
        boardsim::BoardConfig config;
        config.faults.wrongAck = 0x55;
        config.faults.wrongAckOnce = true;
        config.faults.wrongAckFrom = from;
        config.faults.ackAfterWrong = ackFollows;
        BoardRig rig(config);
        rig.setList(steps(19));
        int errors = 0;
        QObject::connect(rig.form->Echo, &QLineEdit::textChanged, [&](const QString& text) {
            if (text == ReceiveHandler::kError) {
                ++errors;
                if (!ackFollows) {
                    rig.later([&] { rig.deliver(bytesOf({255})); });
                }
            }
        });
        rig.form->CommandFlash->click();
        QCOMPARE(errors, 1);
        QCOMPARE(rig.form->Echo->text(), ReceiveHandler::kError);
        QCOMPARE(rig.dialogs.texts(), QStringList{FlashController::kProgrammed});
        QCOMPARE(flashOf(rig.board), expectedImage(*rig.form));
        verifyIdle(rig);
    }

    void wrongReplyOnlyThenAbort() {
        boardsim::BoardConfig config;
        config.faults.wrongAck = 0;
        BoardRig rig(config);
        rig.setList(steps(2));
        QObject::connect(rig.form->Echo, &QLineEdit::textChanged, [&](const QString& text) {
            if (text == ReceiveHandler::kError) {
                rig.later([&] { rig.form->Command1->click(); });
            }
        });
        rig.form->CommandFlash->click();
        QCOMPARE(rig.dialogs.texts(), QStringList{FlashController::kHeaderAbort});
        QCOMPARE(rig.port->writes.size(), 3);
        verifyIdle(rig);
    }

    void portLost_data() {
        QTest::addColumn<int>("atByte"); // lost while the panel writes this byte (1-based)
        QTest::addColumn<bool>("inWait");
        QTest::addColumn<int>("hangUpAfter");
        QTest::newRow("while sending a block") << 100 << false << 0;
        QTest::newRow("while waiting for the count's ack") << 3 << true << 0;
        QTest::newRow("while waiting for a block ack") << 3 + 512 << true << 0;
        QTest::newRow("board hangs up") << 0 << false << 700;
    }
    void portLost() {
        QFETCH(int, atByte);
        QFETCH(bool, inWait);
        QFETCH(int, hangUpAfter);
        boardsim::BoardConfig config;
        if (hangUpAfter > 0) {
            config.faults.hangUpAfterBytes = static_cast<uint64_t>(hangUpAfter);
        }
        if (inWait) {
            config.faults.muteAfterImageBytes = static_cast<std::size_t>(atByte - 3);
        }
        BoardRig rig(config);
        rig.setList(steps(100));
        rig.beforeByte = [&](quint8) {
            if (rig.bytesSeen != atByte) {
                return;
            }
            if (inWait) {
                rig.later([&] { rig.port->loseDevice(kLost); });
            } else {
                rig.port->loseDevice(kLost);
            }
        };
        rig.form->CommandFlash->click();
        QCoreApplication::processEvents();
        QCOMPARE(rig.dialogs.texts(), QStringList{FlashController::programmingLostText()});
        QCOMPARE(rig.port->writes.size(), hangUpAfter > 0 ? hangUpAfter : atByte);
        QVERIFY(rig.form->ComboPort->isEnabled()); // the user may choose the port again
        verifyIdle(rig);
    }

    void unstorableStepSendsNothing_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("durationMs");
        QTest::addColumn<QString>("names");
        QTest::newRow("position above 255") << 328 << 1000 << QStringLiteral("328");
        QTest::newRow("position below 0") << -72 << 1000 << QStringLiteral("-72");
        QTest::newRow("duration above 1310700 ms") << 128 << 1310720 << QStringLiteral("1310720");
    }
    void unstorableStepSendsNothing() {
        QFETCH(int, position);
        QFETCH(int, durationMs);
        QFETCH(QString, names);
        BoardRig rig;
        rig.board.setFlash({1, 2, 3});
        QStringList lines = steps(5);
        std::array<int, kChannelCount> p = centre();
        p[4] = position;
        lines[3] = BoardRig::lineOf(p, durationMs);
        rig.setList(lines);
        rig.form->CWButtonMainOnOff->setValueSilently(true);
        rig.form->CommandFlash->click();
        QCOMPARE(rig.port->writes.size(), 0);
        QCOMPARE(rig.dialogs.messages.size(), 1);
        const QString text = rig.dialogs.messages.first().text;
        QVERIFY2(text.startsWith(stepline::stepLabel(3) + QLatin1Char(' ')), qPrintable(text));
        QVERIFY(text.contains(names));
        QCOMPARE(flashOf(rig.board), bytesOf({1, 2, 3}));
        QVERIFY(rig.form->CWButtonMainOnOff->value());
        verifyIdle(rig);
    }

    void closingEndsTheWait() {
        BoardRig rig;
        rig.mute = true;
        rig.setList(steps(3));
        rig.beforeByte = [&](quint8) {
            if (rig.bytesSeen == 3) {
                rig.later([&] { rig.form->close(); });
            }
        };
        rig.form->CommandFlash->click();
        QVERIFY(rig.dialogs.texts().isEmpty());
        QVERIFY(!rig.form->declaration.AwaitingAck);
        QCOMPARE(rig.port->writes.size(), 3);
        QVERIFY(!rig.watchdogFired);
    }

    // ---- the line belongs to the transfer

    void nothingElseDuringTransfer_data() {
        QTest::addColumn<bool>("reading");
        QTest::newRow("programming") << false;
        QTest::newRow("reading") << true;
    }
    void nothingElseDuringTransfer() {
        QFETCH(bool, reading);
        boardsim::BoardConfig config;
        config.faults.readCount = 28;
        config.faults.readSend = 20; // the read waits for bytes that never come
        BoardRig rig(config);
        rig.setList(steps(3));
        rig.mute = !reading;
        Form1& f = *rig.form;
        bool done = false;
        rig.beforeByte = [&](quint8) {
            if (done || rig.bytesSeen != (reading ? 1 : 3)) {
                return;
            }
            done = true;
            rig.later([&] {
                f.CWSlide1[3]->setValue(200);
                f.CommandStart->click();
                f.CommandStop->click();
                f.CWButtonMainOnOff->click();
                f.menuReset->trigger();
                f.CommandErase->click();
                f.CWButtonRealEmu->click();
                f.CommandFlash->click();
                f.CommandRead->click();
                f.statusBar()->clearMessage();
                f.CommandErase->click();
                QCOMPARE(f.statusBar()->currentMessage(), f.lineBusyText());
                QVERIFY(!f.CWButtonRealEmu->value());
                if (reading) {
                    f.Command1->click();
                } else {
                    rig.mute = false;
                    rig.deliver(bytesOf({255}));
                }
            });
        };
        const QStringList before = f.sequenceList.lines();
        (reading ? f.CommandRead : f.CommandFlash)->click();
        const QByteArray exchange =
            reading ? bytesOf({6}) : bytesOf({2, 0, 42}) + expectedImage(f);
        QCOMPARE(rig.port->written(), exchange);
        QCOMPARE(f.sequenceList.lines(), before);
        verifyIdle(rig);
    }

    // ---- read-back

    void readBack_data() {
        QTest::addColumn<QByteArray>("flash");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("message");
        const QByteArray two = bytesOf({129, 0, 255, 128, 128, 128, 128, 128, 128, 128, 128, 128, 0, 50,
                                        128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 1, 0});
        const QString first = QStringLiteral("0.5 °\t-64 °\t63.5 °\t") +
                              QStringLiteral("0 °\t").repeated(9) + QStringLiteral("1000 ms\t");
        const QString second = QStringLiteral("0 °\t").repeated(12) + QStringLiteral("5120 ms\t");
        QTest::newRow("28 bytes: two lines") << two << QStringList{first, second} << FlashController::kRead;
        QTest::newRow("30 bytes: the last 2 ignored")
            << two + bytesOf({1, 2}) << QStringList{first, second} << FlashController::kRead;
        QTest::newRow("13 bytes: nothing") << two.left(13) << QStringList{} << FlashController::kNothingToRead;
        QTest::newRow("erased: nothing") << QByteArray() << QStringList{} << FlashController::kNothingToRead;
    }
    void readBack() {
        QFETCH(QByteArray, flash);
        QFETCH(QStringList, lines);
        QFETCH(QString, message);
        BoardRig rig;
        rig.board.setFlash(boardsim::BoardCore::Bytes(flash.begin(), flash.end()));
        const QStringList before = steps(4);
        rig.setList(before);
        rig.form->sequenceList.setSelectedIndex(2);
        bool headerPhase = false;
        rig.beforeByte = [&](quint8) {
            const Form1& f = *rig.form;
            headerPhase = f.MSComm1->inputLen() == 2 && f.MSComm1->rThreshold() == 2 &&
                          f.declaration.ReadingFlash && f.Command1->isEnabled() &&
                          !f.ProgressBarFlash->isHidden();
        };
        rig.form->CommandRead->click();
        QVERIFY(headerPhase);
        QCOMPARE(rig.port->written(), bytesOf({6}));
        QCOMPARE(rig.dialogs.texts(), QStringList{message});
        if (lines.isEmpty()) {
            QCOMPARE(rig.form->sequenceList.lines(), before);
        } else {
            QCOMPARE(rig.form->sequenceList.lines(), lines);
            QCOMPARE(rig.form->sequenceList.selectedIndex(), -1);
            QCOMPARE(rig.form->declaration.SequenceBuffer[0][kDurationField], 1000);
            QCOMPARE(rig.form->declaration.SequenceBuffer[1][kDurationField], 5120);
        }
        verifyIdle(rig);
    }

    // Programmed and read back, 1024 steps come back as they went, without breakpoints.
    void programThenReadBack() {
        BoardRig rig;
        rig.setList(steps(1024, true));
        Form1& f = *rig.form;
        for (int i : {0, 17, 1023}) {
            f.sequenceList.setSelectedIndex(i);
            QVERIFY(f.editor.toggleBreak());
        }
        const SequenceTable sent = f.declaration.SequenceBuffer;
        f.CommandFlash->click();
        f.CommandRead->click();
        QCOMPARE(rig.dialogs.texts(), (QStringList{FlashController::kProgrammed, FlashController::kRead}));
        QCOMPARE(f.sequenceList.count(), 1024);
        for (int s = 0; s < 1024; ++s) {
            const StepRecord& row = f.declaration.SequenceBuffer[s];
            for (int c = 0; c < kChannelCount; ++c) {
                QCOMPARE(row[c], sent[s][c]);
            }
            QCOMPARE(row[kDurationField], flashimage::durationUnits(sent[s][kDurationField]) * 20);
            QCOMPARE(row[kBreakField], 0);
            QVERIFY(!f.sequenceList.hasBreakMark(s));
            QCOMPARE(f.sequenceList.line(s), stepline::readBackForm(row, f.sequenceList.locale()));
        }
        verifyIdle(rig);
    }

    void readOverflow_data() {
        QTest::addColumn<int>("announced");
        QTest::addColumn<int>("sent");
        QTest::addColumn<bool>("abortNeeded");
        QTest::addColumn<int>("rows");
        QTest::newRow("14337 announced, 14337 sent: Abort keeps 14336") << 14337 << 14337 << true << 1024;
        QTest::newRow("14337 announced, 14336 sent: exact count") << 14337 << 14336 << false << 1024;
        QTest::newRow("20000 announced, 5000 sent: Abort keeps them") << 20000 << 5000 << true << 357;
    }
    void readOverflow() {
        QFETCH(int, announced);
        QFETCH(int, sent);
        QFETCH(bool, abortNeeded);
        QFETCH(int, rows);
        boardsim::BoardConfig config;
        config.faults.readCount = static_cast<uint16_t>(announced);
        config.faults.readSend = static_cast<std::size_t>(sent);
        BoardRig rig(config);
        rig.board.setFlash(boardsim::BoardCore::Bytes(14336, 128));
        rig.setList(steps(3));
        QObject::connect(rig.form->ProgressBarFlash, &SlideControl::valueChanged, [&](int, double v) {
            if (abortNeeded && v >= qMin(sent, 14336)) {
                rig.later([&] { rig.form->Command1->click(); });
            }
        });
        rig.form->CommandRead->click();
        QCOMPARE(rig.form->Echo->text(), ReceiveHandler::kOverflow);
        QCOMPARE(rig.dialogs.texts(), QStringList{FlashController::kRead});
        QCOMPARE(rig.form->sequenceList.count(), rows);
        verifyIdle(rig);
    }

    void readAbortIsSilent_data() {
        QTest::addColumn<bool>("header");
        QTest::newRow("waiting for the count") << true;
        QTest::newRow("waiting for the data") << false;
    }
    void readAbortIsSilent() {
        QFETCH(bool, header);
        boardsim::BoardConfig config;
        config.faults.readCount = 28;
        config.faults.readSend = 20;
        BoardRig rig(config);
        rig.mute = header;
        const QStringList before = steps(5);
        rig.setList(before);
        const SequenceTable table = rig.form->declaration.SequenceBuffer;
        if (header) {
            rig.beforeByte = [&](quint8) { rig.later([&] { rig.form->Command1->click(); }); };
        } else {
            QObject::connect(rig.form->ProgressBarFlash, &SlideControl::valueChanged, [&](int, double v) {
                if (v == 20) {
                    rig.later([&] { rig.form->Command1->click(); });
                }
            });
        }
        rig.form->CommandRead->click();
        QVERIFY(rig.dialogs.texts().isEmpty());
        QCOMPARE(rig.form->sequenceList.lines(), before);
        QVERIFY(rig.form->declaration.SequenceBuffer == table);
        QCOMPARE(rig.form->MSComm1->inBufferCount(), 0);
        verifyIdle(rig);
    }

    void staleAbortDoesNotEndRead() {
        BoardRig rig;
        rig.board.setFlash(boardsim::BoardCore::Bytes(28, 128));
        rig.form->declaration.AbortRequested = true;
        rig.form->CommandRead->click();
        QCOMPARE(rig.dialogs.texts(), QStringList{FlashController::kRead});
        QCOMPARE(rig.form->sequenceList.count(), 2);
        verifyIdle(rig);
    }

    void readPortLost() {
        boardsim::BoardConfig config;
        config.faults.readCount = 28;
        config.faults.readSend = 20;
        BoardRig rig(config);
        const QStringList before = steps(2);
        rig.setList(before);
        QObject::connect(rig.form->ProgressBarFlash, &SlideControl::valueChanged, [&](int, double v) {
            if (v == 20) {
                rig.later([&] { rig.port->loseDevice(kLost); });
            }
        });
        rig.form->CommandRead->click();
        QCoreApplication::processEvents();
        QCOMPARE(rig.dialogs.texts(), QStringList{FlashController::readLostText()});
        QCOMPARE(rig.form->sequenceList.lines(), before);
        verifyIdle(rig);
    }

    void closedPort_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("Program") << QStringLiteral("CommandFlash") << QStringList{Form1::kNoConnection};
        QTest::newRow("Read, no old image passes for the flash")
            << QStringLiteral("CommandRead") << QStringList{Form1::kNoConnection};
        QTest::newRow("Erase, silent") << QStringLiteral("CommandErase") << QStringList{};
    }
    void closedPort() {
        QFETCH(QString, button);
        QFETCH(QStringList, messages);
        FormRig rig(false);
        rig.form->declaration.FlashByteCount = 28; // as after an earlier read
        rig.form->editor.replaceAll(steps(3));
        const QStringList before = rig.form->sequenceList.lines();
        rig.form->findChild<QPushButton*>(button)->click();
        QCOMPARE(rig.port->writes.size(), 0);
        QCOMPARE(rig.dialogs.texts(), messages);
        QCOMPARE(rig.form->sequenceList.lines(), before);
        QVERIFY(rig.form->ProgressBarFlash->isHidden());
    }

    // ---- erase and the board's own playback

    void erase() {
        BoardRig rig;
        rig.board.setFlash({1, 2, 3});
        rig.form->CommandErase->click();
        QCOMPARE(rig.port->written(), bytesOf({7}));
        QVERIFY(rig.board.flash().empty());
        QVERIFY(rig.dialogs.texts().isEmpty());
    }

    void realEmu() {
        BoardRig rig;
        Form1& f = *rig.form;
        f.CWButtonRealEmu->click();
        QCOMPARE(rig.port->written(), bytesOf({3}));
        QVERIFY(rig.board.playing() || rig.board.flash().empty());
        QVERIFY(!f.CWButtonEmuPC->isEnabled());
        QVERIFY(!f.CWButtonManual->isEnabled());
        QVERIFY(f.CWButtonRealEmu->isEnabled());
        f.CWButtonRealEmu->click();
        QCOMPARE(rig.port->written(), bytesOf({3, 4}));
        for (SwitchControl* s : {f.CWButtonRealEmu, f.CWButtonEmuPC, f.CWButtonManual}) {
            QVERIFY(s->isEnabled());
        }
        QVERIFY(rig.dialogs.texts().isEmpty());
    }

    void realEmuWithoutPort() {
        BoardRig rig;
        Form1& f = *rig.form;
        FormRig closed(false);
        closed.form->CWButtonRealEmu->click();
        QVERIFY(!closed.form->CWButtonRealEmu->value());
        QCOMPARE(closed.dialogs.texts(), QStringList{Form1::kNoConnection});
        QCOMPARE(closed.port->writes.size(), 0);
        QVERIFY(closed.form->CWButtonEmuPC->isEnabled());

        // On while the board was there, off after it went: the other modes are free again.
        f.CWButtonRealEmu->click();
        rig.port->loseDevice(kLost);
        QCoreApplication::processEvents();
        rig.dialogs.messages.clear();
        f.CWButtonRealEmu->click();
        QVERIFY(!f.CWButtonRealEmu->value());
        QCOMPARE(rig.dialogs.texts(), QStringList{Form1::kNoConnection});
        QVERIFY(f.CWButtonEmuPC->isEnabled());
        QVERIFY(f.CWButtonManual->isEnabled());
        QCOMPARE(rig.port->written(), bytesOf({3}));
    }
};

QTEST_MAIN(TestFlashController)
#include "tst_flashcontroller.moc"
