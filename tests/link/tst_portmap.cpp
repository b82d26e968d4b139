#include "link/PortMap.h"

#include <QTest>

using portmap::DeviceScan;

Q_DECLARE_METATYPE(portmap::DeviceScan)

namespace {

// "ttyUSB0 FT232R USB UART|FTDI|A50285BI" lists /dev/ttyUSB0 with its description, maker and
// serial number; "usb-FTDI_x=ttyUSB0" is a by-id name; "1=/dev/pts/3" a commN link.
DeviceScan scan(const QStringList& devices, const QStringList& byId = {},
                const QStringList& links = {}) {
    DeviceScan s;
    for (const QString& d : devices) {
        const QStringList f = d.section(QLatin1Char(' '), 1).split(QLatin1Char('|'));
        s.devices.append({QStringLiteral("/dev/") + d.section(QLatin1Char(' '), 0, 0), f.value(0),
                          f.value(1), f.value(2)});
    }
    for (const QString& b : byId) {
        s.byId.insert(b.section(QLatin1Char('='), 0, 0),
                      QStringLiteral("/dev/") + b.section(QLatin1Char('='), 1));
    }
    for (const QString& l : links) {
        s.links.insert(l.section(QLatin1Char('='), 0, 0).toInt(), l.section(QLatin1Char('='), 1));
    }
    return s;
}

const QString kFtdi = QStringLiteral("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
const QString kCh340 = QStringLiteral("usb-1a86_USB_Serial-if00-port0");

} // namespace

class TestPortMap : public QObject {
    Q_OBJECT
private slots:
    void resolution_data() {
        QTest::addColumn<DeviceScan>("machine");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("shown");

        const QString ftdi = QStringLiteral("FT232R USB UART|FTDI|A50285BI");
        QTest::newRow("nothing attached") << scan({}) << 1 << QString();
        QTest::newRow("name order without stable names")
            << scan({QStringLiteral("ttyS1"), QStringLiteral("ttyS0")}) << 1
            << QStringLiteral("/dev/ttyS0");
        QTest::newRow("adapter with a stable name comes first")
            << scan({QStringLiteral("ttyS0"), QStringLiteral("ttyUSB0 ") + ftdi},
                    {kFtdi + QStringLiteral("=ttyUSB0")})
            << 1 << QStringLiteral("/dev/ttyUSB0 (FT232R USB UART, FTDI, A50285BI)");
        QTest::newRow("the rest follow in name order")
            << scan({QStringLiteral("ttyS0"), QStringLiteral("ttyUSB0 ") + ftdi},
                    {kFtdi + QStringLiteral("=ttyUSB0")})
            << 2 << QStringLiteral("/dev/ttyS0");
        // Two adapters swap ttyUSB numbers after replugging: the FTDI one stays Comm1.
        QTest::newRow("adapter keeps its port, first socket")
            << scan({QStringLiteral("ttyUSB0 USB Serial|QinHeng"), QStringLiteral("ttyUSB1 ") + ftdi},
                    {kFtdi + QStringLiteral("=ttyUSB1"), kCh340 + QStringLiteral("=ttyUSB0")})
            << 2 << QStringLiteral("/dev/ttyUSB1 (FT232R USB UART, FTDI, A50285BI)");
        QTest::newRow("adapter keeps its port, other socket")
            << scan({QStringLiteral("ttyUSB0 ") + ftdi, QStringLiteral("ttyUSB1 USB Serial|QinHeng")},
                    {kFtdi + QStringLiteral("=ttyUSB0"), kCh340 + QStringLiteral("=ttyUSB1")})
            << 2 << QStringLiteral("/dev/ttyUSB0 (FT232R USB UART, FTDI, A50285BI)");
        QTest::newRow("link wins")
            << scan({QStringLiteral("ttyUSB0 ") + ftdi}, {kFtdi + QStringLiteral("=ttyUSB0")},
                    {QStringLiteral("1=/dev/pts/3")})
            << 1 << QStringLiteral("/dev/pts/3");
        QTest::newRow("ports without a link take the devices")
            << scan({QStringLiteral("ttyUSB0 ") + ftdi}, {kFtdi + QStringLiteral("=ttyUSB0")},
                    {QStringLiteral("1=/dev/pts/3")})
            << 2 << QStringLiteral("/dev/ttyUSB0 (FT232R USB UART, FTDI, A50285BI)");
        QTest::newRow("a linked device is not offered twice")
            << scan({QStringLiteral("ttyS0"), QStringLiteral("ttyUSB0")}, {},
                    {QStringLiteral("3=/dev/ttyS0")})
            << 1 << QStringLiteral("/dev/ttyUSB0");
        QTest::newRow("link shows the adapter it leads to")
            << scan({QStringLiteral("ttyUSB0 ") + ftdi}, {}, {QStringLiteral("2=/dev/ttyUSB0")})
            << 2 << QStringLiteral("/dev/ttyUSB0 (FT232R USB UART, FTDI, A50285BI)");
        QTest::newRow("unknown details left out")
            << scan({QStringLiteral("ttyS0 n/a|n/a|")}) << 1 << QStringLiteral("/dev/ttyS0");
        QTest::newRow("more ports than devices")
            << scan({QStringLiteral("ttyS0")}) << 2 << QString();
        QTest::newRow("port 9 does not exist") << scan({QStringLiteral("ttyS0")}) << 9 << QString();
    }
    void resolution() {
        QFETCH(DeviceScan, machine);
        QFETCH(int, port);
        QTEST(portmap::describe(portmap::resolveIn(machine, port)), "shown");
    }
};

QTEST_GUILESS_MAIN(TestPortMap)
#include "tst_portmap.moc"
