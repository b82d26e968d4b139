#include "support/FormRig.h"

#include "link/PortMap.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestPortChooser : public QObject {
    Q_OBJECT
private slots:
    // The port opened last is kept in the settings; each case starts from none.
    void init() { FormRig::useTemporarySettings(); }

    void entriesShowWhatTheyLeadTo() {
        PortChooser chooser([](int n) { return n == 1 ? QStringLiteral("/dev/ttyUSB0") : QString(); });
        chooser.setDescriber([](const QString& device) {
            return device + QStringLiteral(" (FT232R USB UART, FTDI, A50285BI)");
        });
        chooser.addItem(QStringLiteral("Comm1"), 1);
        chooser.addItem(QStringLiteral("Comm2"), 2);
        chooser.refreshDevices();
        QCOMPARE(chooser.itemText(0),
                 QStringLiteral("Comm1 \u2014 /dev/ttyUSB0 (FT232R USB UART, FTDI, A50285BI)"));
        QCOMPARE(chooser.itemText(1), QStringLiteral("Comm2 \u2014 no device"));
        QCOMPARE(chooser.itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("No device attached"));
        QCOMPARE(chooser.portName(1), QStringLiteral("Comm2"));
    }

    // A long device name is shortened rather than widening the window.
    void longNamesKeepTheWindowNarrow() {
        const QString longName = QStringLiteral("/dev/serial/by-id/") + QString(300, QLatin1Char('x'));
        FormRig rig(false, [&](int) { return longName; });
        MainWindow& form = *rig.form;
        form.show();
        QVERIFY(form.sideColumn().portChooser->itemText(0).startsWith(
            QStringLiteral("Comm1 \u2014 /dev/serial")));
        QVERIFY(form.sideColumn().portChooser->itemText(0).contains(QChar(0x2026)));
        QVERIFY2(form.width() <= 1280, qPrintable(QString::number(form.width())));
    }

    void followsDevicesComingAndGoing() {
        QTemporaryDir folder;
        QTemporaryDir devices;
        QVERIFY(folder.isValid() && devices.isValid());
        qputenv("TESSAREL_PORT_DIR", QFile::encodeName(folder.path()));
        const QString device = devices.filePath(QStringLiteral("ttyFAKE"));
        QFile node(device);
        QVERIFY(node.open(QIODevice::WriteOnly));
        PortChooser chooser(&portmap::resolve);
        chooser.setDescriber([](const QString& d) { return d; });
        chooser.addItem(QStringLiteral("Comm1"), 1);
        QVERIFY(QFile::link(device, portmap::linkPath(1)));
        QTRY_COMPARE(chooser.itemText(0), QStringLiteral("Comm1 \u2014 ") + QFileInfo(device).canonicalFilePath());
        QVERIFY(QFile::remove(portmap::linkPath(1)));
        QTRY_VERIFY(!chooser.itemText(0).contains(QStringLiteral("ttyFAKE")));
        qunsetenv("TESSAREL_PORT_DIR");
    }

    // A link that leads nowhere keeps its port: listed as such, and choosing it says so.
    void danglingLinkSaysTheDeviceIsNotThere() {
        QTemporaryDir folder;
        qputenv("TESSAREL_PORT_DIR", QFile::encodeName(folder.path()));
        const QString gone = folder.filePath("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
        QVERIFY(QFile::link(gone, portmap::linkPath(2)));
        FormRig rig(false, &portmap::lookUp);
        MainWindow& form = *rig.form;
        QCOMPARE(form.sideColumn().portChooser->itemData(1, Qt::ToolTipRole).toString(),
                 folder.path() + "/comm2 \u2192 " + gone + " (not there)");
        form.linkController().choosePort(1);
        qunsetenv("TESSAREL_PORT_DIR");
        QVERIFY(!form.panel().serial().portOpen() && rig.port->openedDevice.isEmpty());
        QCOMPARE(rig.dialogs.texts().join('\n'),
                 QStringLiteral("Comm2 (%1) could not be opened: no device is attached to this "
                                "port.\n\nThe device %1 is not there: the adapter was unplugged, "
                                "or the link to it points nowhere. Plug the adapter in and choose "
                                "the port again.")
                     .arg(gone));
    }

    // A port number lost and chosen again: "dev#stable@link" is what it leads to before and after.
    void numberKeepsItsDevice_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("told");
        QTest::addColumn<QString>("opened");
        const auto row = [](const char* name, const char* before, const char* after,
                            const char* told, const char* opened) {
            QTest::newRow(name) << before << after << told << opened;
        };
        row("the same device", "/dev/ttyFAKE0", "/dev/ttyFAKE0", "", "/dev/ttyFAKE0");
        row("another device took the number", "/dev/ttyFAKE0", "/dev/ttyFAKE9",
            "Comm1 now leads to another device: /dev/ttyFAKE9. When it was opened it led to "
            "/dev/ttyFAKE0. Nothing was opened; choose Comm1 again to open the new device.",
            "/dev/ttyFAKE9");
        row("the adapter is back under another number", "/dev/ttyUSB0#usb-FTDI_A5",
            "/dev/ttyUSB1#usb-FTDI_A5", "", "/dev/ttyUSB1");
        row("the link pins it", "/dev/pts/3@/run/t/comm1", "/dev/pts/5@/run/t/comm1", "",
            "/dev/pts/5");
    }
    void numberKeepsItsDevice() {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QString now = before;
        const auto lookup = [&now](int) {
            portmap::Resolution r(now.section('#', 0, 0).section('@', 0, 0));
            r.stableName = now.section('#', 1).section('@', 0, 0);
            r.link = now.section('@', 1);
            return r;
        };
        FormRig rig(false, lookup);
        MainWindow& form = *rig.form;
        form.sideColumn().portChooser->setDescriber([](const QString& d) { return d; });
        form.linkController().choosePort(0);
        rig.port->loseDevice("device removed");
        QTRY_VERIFY(form.sideColumn().portChooser->isEnabled());
        rig.dialogs.messages.clear();
        now = after;
        form.linkController().choosePort(0);
        QTEST(rig.dialogs.texts().join('\n'), "told");
        if (!form.panel().serial().portOpen()) {
            form.linkController().choosePort(0); // the user has been told: it opens now
        }
        QVERIFY(form.panel().serial().portOpen());
        QTEST(rig.port->openedDevice, "opened");
    }

    // The status bar's field through a connection's life; Close Port sends PC control off
    // (what shutdown sends) before the port closes, and the chooser may be used again, as it
    // may when the device is lost.
    void connectionFieldAndClosePort() {
        FormRig rig(false,
                    [](int n) { return n == 1 ? QStringLiteral("/dev/ttyUSB0") : QString(); });
        MainWindow& form = *rig.form;
        FakeTransport* port = rig.port;
        PortChooser* chooser = form.sideColumn().portChooser;
        QLabel* field = form.connectionField();
        chooser->setDescriber([](const QString& d) { return d + QStringLiteral(" (FT232R USB UART)"); });
        QCOMPARE(chooser->currentIndex(), -1);
        QCOMPARE(chooser->placeholderText(), QStringLiteral("Choose a port\u2026"));
        QCOMPARE(field->text(), QStringLiteral("Not connected"));

        rig.choosePort(0);
        QCOMPARE(field->text(), QStringLiteral("Connected: Comm1 \u2014 /dev/ttyUSB0 (FT232R USB UART)"));
        QVERIFY(!chooser->isEnabled());

        port->clearWrites();
        form.menus().closePortAction->trigger();
        QCOMPARE(port->written(), QByteArray(1, '\0'));
        QVERIFY(!form.panel().serial().portOpen());
        QVERIFY(chooser->isEnabled());
        QCOMPARE(chooser->currentIndex(), -1);
        QCOMPARE(field->text(), QStringLiteral("Not connected"));

        // A lost device is told once, with its reason, and nothing more goes out.
        rig.choosePort(0);
        QVERIFY(form.panel().serial().portOpen());
        port->loseDevice(QStringLiteral("device removed"));
        QTRY_COMPARE(field->text(), QStringLiteral("Connection lost"));
        QVERIFY(chooser->isEnabled());
        QVERIFY(form.panel().link().PcControlOn() == BoardLink::Sent::PortClosed);
        QTest::qWait(20);
        QCOMPARE(rig.dialogs.messages.size(), 1);
        QVERIFY(rig.dialogs.messages[0].text.contains(QStringLiteral("device removed")));
    }
};

QTEST_MAIN(TestPortChooser)
#include "tst_portchooser.moc"
