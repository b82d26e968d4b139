// The panel's own serial layer against the board simulator over a real pty.

#include "link/BoardLink.h"
#include "link/QtSerialTransport.h"
#include "link/SerialControl.h"
#include "support/SimProcess.h"

#include <QTest>

class TestBoardSimLink : public QObject {
    Q_OBJECT

private slots:
    // The port closed and opened again keeps reaching the board, a burst arrives whole, and the
    // simulator never sees a broken line.
    void closingAndReopeningThePort() {
        SimProcess sim;
        QVERIFY2(sim.start(), qPrintable(sim.error()));
        SerialControl comm(std::make_unique<QtSerialTransport>(),
                           [device = sim.devicePath()](int) { return device; });
        BoardLink link(comm);
        comm.setSettings(QStringLiteral("9600,N,8,2"));
        QVERIFY2(comm.setPortOpen(true), qPrintable(comm.lastError()));
        link.PcControlOn();
        QVERIFY(sim.waitForLine(QStringLiteral("pc-control on")) >= 0);
        for (int round = 0; round < 3; ++round) {
            QVERIFY(comm.setPortOpen(false));
            QVERIFY2(comm.setPortOpen(true), qPrintable(comm.lastError()));
            link.ChannelPosition(round, 10 + round);
            const QString want = QStringLiteral("channel %1 %2").arg(round).arg(10 + round);
            QVERIFY2(sim.waitForLine(want) >= 0, qPrintable(want));
        }
        // A burst is one write of 24 bytes; all of it reaches the board.
        StepRecord step{};
        step.fill(128);
        step[11] = 3;
        QCOMPARE(link.ChannelBurst(step), BoardLink::Sent::Yes);
        QVERIFY(sim.waitForLine(QStringLiteral("channel 11 3")) >= 0);
        QCOMPARE(sim.lines().size(), 4 + kChannelCount);
        QVERIFY(sim.running());
        QCOMPARE(sim.waitForLine([](const QString& l) { return l.startsWith("error"); }, 0, 0), -1);
        comm.setPortOpen(false);
        QVERIFY2(sim.stop(), qPrintable(sim.error()));
    }
};

QTEST_GUILESS_MAIN(TestBoardSimLink)
#include "tst_boardsim_link.moc"
