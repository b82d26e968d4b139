#include "support/FakeTransport.h"
#include "support/ScriptedDialogs.h"

#include "link/PortMap.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/Form1.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestPortChooser : public QObject {
    Q_OBJECT
private slots:
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
        ScriptedDialogs dialogs;
        const QString longName = QStringLiteral("/dev/serial/by-id/") + QString(300, QLatin1Char('x'));
        Form1 form(std::make_unique<FakeTransport>(), [&](int) { return longName; }, dialogs);
        form.show();
        QVERIFY(form.ComboPort->itemText(0).startsWith(QStringLiteral("Comm1 \u2014 /dev/serial")));
        QVERIFY(form.ComboPort->itemText(0).contains(QChar(0x2026)));
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
};

QTEST_MAIN(TestPortChooser)
#include "tst_portchooser.moc"
