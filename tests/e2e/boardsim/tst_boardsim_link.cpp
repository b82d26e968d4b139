// The panel's own serial layer against the board simulator over a real pty.

#include "core/Declaration.h"
#include "link/BoardLink.h"
#include "link/PortMap.h"
#include "link/QtSerialTransport.h"
#include "link/SerialControl.h"
#include "support/SimProcess.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr int kWaitMs = 15000;

// The panel's link as the window builds it, resolving ports through a lambda.
struct Panel {
    explicit Panel(SerialControl::Resolver resolver)
        : comm(std::make_unique<QtSerialTransport>(), std::move(resolver)),
          link(declaration, comm) {
        comm.setSettings(QStringLiteral("9600,N,8,2"));
        comm.setInBufferSize(32768);
    }
    Declaration declaration;
    SerialControl comm;
    BoardLink link;
};

} // namespace

class TestBoardSimLink : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_sim = std::make_unique<SimProcess>();
        QVERIFY2(m_sim->start(), qPrintable(m_sim->error()));
        const QString device = m_sim->devicePath();
        m_panel = std::make_unique<Panel>([device](int) { return device; });
        QVERIFY2(m_panel->comm.setPortOpen(true), qPrintable(m_panel->comm.lastError()));
    }

    void cleanup() {
        m_panel.reset();
        QVERIFY2(m_sim->stop(), qPrintable(m_sim->error()));
        m_sim.reset();
    }

    void commandsReachTheBoardInOrder() {
        StepRecord step{};
        step.fill(128);
        step[11] = 3;
        QCOMPARE(m_panel->link.PcControlOn(), BoardLink::Sent::Yes);
        m_panel->link.ChannelPosition(5, 77);
        QCOMPARE(m_panel->link.ChannelBurst(step), BoardLink::Sent::Yes);
        QCOMPARE(m_panel->link.PcControlOff(), BoardLink::Sent::Yes);
        QCOMPARE(m_panel->link.BoardReset(), BoardLink::Sent::Yes);
        QStringList want{"pc-control on", "channel 5 77"};
        for (int c = 0; c < kChannelCount; ++c) {
            want << QStringLiteral("channel %1 %2").arg(c).arg(c == 11 ? 3 : 128);
        }
        want << "pc-control off"
             << "reset";
        QVERIFY(m_sim->waitForLineCount(int(want.size()), kWaitMs));
        QCOMPARE(m_sim->lines(), want);
    }

    void closingAndReopeningThePort() {
        m_panel->link.PcControlOn();
        QVERIFY(m_sim->waitForLine(QStringLiteral("pc-control on"), 0, kWaitMs) >= 0);
        for (int round = 0; round < 3; ++round) {
            QVERIFY(m_panel->comm.setPortOpen(false));
            QVERIFY2(m_panel->comm.setPortOpen(true), qPrintable(m_panel->comm.lastError()));
            m_panel->link.ChannelPosition(round, 10 + round);
            const QString want = QStringLiteral("channel %1 %2").arg(round).arg(10 + round);
            QVERIFY2(m_sim->waitForLine(want, 0, kWaitMs) >= 0, qPrintable(want));
        }
        QVERIFY(m_sim->running());
        QCOMPARE(m_sim->waitForLine([](const QString& l) { return l.startsWith("error"); }, 0, 0),
                 -1);
    }

private:
    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<Panel> m_panel;
};

// Port numbers go through the panel's port map; the simulator attaches as port 1.
class TestBoardSimAttach : public QObject {
    Q_OBJECT

private slots:
    void panelFindsTheAttachedPort() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.filePath(QStringLiteral("ports"));
        qputenv("TESSAREL_PORT_DIR", folder.toLocal8Bit());
        SimProcess sim;
        sim.setEnvironmentValue(QStringLiteral("TESSAREL_PORT_DIR"), folder);
        QVERIFY2(sim.start({QStringLiteral("--attach"), QStringLiteral("1")}),
                 qPrintable(sim.error()));
        QCOMPARE(portmap::resolve(1), sim.devicePath());

        Panel panel([](int port) { return portmap::resolve(port); });
        panel.comm.setCommPort(1);
        QVERIFY2(panel.comm.setPortOpen(true), qPrintable(panel.comm.lastError()));
        QCOMPARE(panel.link.BoardReset(), BoardLink::Sent::Yes);
        QVERIFY(sim.waitForLine(QStringLiteral("reset"), 0, kWaitMs) >= 0);
        panel.comm.setPortOpen(false);

        QVERIFY(sim.stop());
        QVERIFY(!QFileInfo::exists(portmap::linkPath(1)));
        QVERIFY(!QFileInfo(portmap::linkPath(1)).isSymLink());
        qunsetenv("TESSAREL_PORT_DIR");
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        TestBoardSimLink link;
        status |= QTest::qExec(&link, argc, argv);
    }
    {
        TestBoardSimAttach attach;
        status |= QTest::qExec(&attach, argc, argv);
    }
    return status;
}

#include "tst_boardsim_link.moc"
