#include "support/ScriptedDialogs.h"
#include "support/SimProcess.h"

#include "link/PortMap.h"
#include "link/QtSerialTransport.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/Form1.h"
#include "ui/shell/LinkController.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QAction>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

// The whole panel as a user runs it: the real window, the real serial port and the port
// mapping, with the board simulator attached as Comm1 on a pseudo-terminal.
class TestPanelEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void init() {
        qputenv("TESSAREL_PORT_DIR", m_ports.path().toLocal8Bit());
        m_sim = std::make_unique<SimProcess>();
        m_sim->setEnvironmentValue(QStringLiteral("TESSAREL_PORT_DIR"), m_ports.path());
        QVERIFY2(m_sim->start({QStringLiteral("--attach"), QStringLiteral("1")}),
                 qPrintable(m_sim->error()));
        m_form = std::make_unique<Form1>(std::make_unique<QtSerialTransport>(), &portmap::resolve,
                                         m_dialogs);
        m_form->show();
        QCOMPARE(m_form->ComboPort->itemData(0, Qt::ToolTipRole).toString(),
                 QFileInfo(portmap::linkPath(1)).canonicalFilePath());
        m_form->ComboPort->setCurrentIndex(0);
        m_form->linkControl->ComboPort_Click(0);
        QVERIFY2(m_form->MSComm1->portOpen(), qPrintable(m_dialogs.texts().join('\n')));
    }
    void cleanup() {
        m_form.reset();
        m_dialogs.messages.clear();
        QVERIFY(m_sim->stop());
    }
    void controlsReachTheBoard();
    void closingTheWindowHandsControlBack();

private:
    QTemporaryDir m_ports;
    std::unique_ptr<SimProcess> m_sim;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<Form1> m_form;
};

void TestPanelEndToEnd::controlsReachTheBoard() {
    Form1& f = *m_form;
    const int from = m_sim->lines().size();

    f.CWSlide1[9]->setValue(200);
    QVERIFY(m_sim->waitForLine(QStringLiteral("channel 9 200"), from) >= 0);

    QTest::mouseClick(f.CWButtonMainOnOff, Qt::LeftButton);
    QVERIFY(m_sim->waitForLine(QStringLiteral("pc-control on"), from) >= 0);
    QTest::mouseClick(f.CWButtonMainOnOff, Qt::LeftButton);
    const int off = m_sim->waitForLine(QStringLiteral("pc-control off"), from);
    QVERIFY(off >= 0);

    f.CWButtonMainOnOff->setValue(true);
    f.menuReset->trigger();
    const int reset = m_sim->waitForLine(QStringLiteral("reset"), off);
    QVERIFY(reset >= 0);
    QVERIFY(m_sim->waitForLine(QStringLiteral("pc-control off"), reset) >= 0);
    QVERIFY(!f.CWButtonMainOnOff->value());
    QVERIFY(m_dialogs.messages.isEmpty());
}

void TestPanelEndToEnd::closingTheWindowHandsControlBack() {
    const int from = m_sim->lines().size();
    m_form->close();
    m_form.reset();
    // Close and teardown each hand control back.
    const int first = m_sim->waitForLine(QStringLiteral("pc-control off"), from);
    QVERIFY(first >= 0);
    QVERIFY(m_sim->waitForLine(QStringLiteral("pc-control off"), first + 1) >= 0);
}

QTEST_MAIN(TestPanelEndToEnd)
#include "tst_panel_e2e.moc"
