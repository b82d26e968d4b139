#include "link/PortMap.h"

#include <QTest>

Q_DECLARE_METATYPE(portmap::DeviceScan)

namespace {

// Space-separated: "ttyUSB0:FT232R_USB_UART|FTDI|A50285BI" lists /dev/ttyUSB0 with its
// description, maker and serial number (spaces as _); "usb-x=ttyUSB0" is a by-id name;
// "1=/dev/pts/3" a commN link, "2=?/dev/x" one that points to /dev/x, which is not there.
const QString kFtdi = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
const QString kCh340 = "usb-1a86_USB_Serial-if00-port0";

void row(const char* name, const QString& devices, const QString& byId, const QString& links,
         int port, const QString& shown) {
    portmap::DeviceScan s;
    for (const QString& d : devices.split(' ', Qt::SkipEmptyParts)) {
        const QStringList f = d.section(':', 1).replace('_', ' ').split('|');
        s.devices.append({"/dev/" + d.section(':', 0, 0), f.value(0), f.value(1), f.value(2)});
    }
    for (const QString& b : byId.split(' ', Qt::SkipEmptyParts)) {
        s.byId.insert(b.section('=', 0, 0), "/dev/" + b.section('=', 1));
    }
    for (const QString& l : links.split(' ', Qt::SkipEmptyParts)) {
        const QString n = l.section('=', 0, 0);
        const QString target = l.section('=', 1).remove('?');
        s.links.insert(n.toInt(), {"/run/t/comm" + n, target, l.contains('?') ? "" : target});
    }
    QTest::newRow(name) << s << port << shown;
}

} // namespace

class TestPortMap : public QObject {
    Q_OBJECT
private slots:
    void resolution_data() {
        QTest::addColumn<portmap::DeviceScan>("machine");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("shown");
        const QString ftdi = "ttyUSB0:FT232R_USB_UART|FTDI|A50285BI";
        const QString shownFtdi = "/dev/ttyUSB0 (FT232R USB UART, FTDI, A50285BI)";
        row("nothing attached", "", "", "", 1, "");
        row("name order without stable names", "ttyS1 ttyS0", "", "", 1, "/dev/ttyS0");
        row("adapter with a stable name comes first", "ttyS0 " + ftdi, kFtdi + "=ttyUSB0", "", 1,
            shownFtdi);
        // Two adapters swap ttyUSB numbers after replugging: the FTDI one keeps its port.
        row("adapter keeps its port, first socket",
            "ttyUSB0:USB_Serial|QinHeng ttyUSB1:FT232R_USB_UART|FTDI|A50285BI",
            kFtdi + "=ttyUSB1 " + kCh340 + "=ttyUSB0", "", 2,
            "/dev/ttyUSB1 (FT232R USB UART, FTDI, A50285BI)");
        row("adapter keeps its port, other socket", ftdi + " ttyUSB1:USB_Serial|QinHeng",
            kFtdi + "=ttyUSB0 " + kCh340 + "=ttyUSB1", "", 2, shownFtdi);
        row("link wins", ftdi, kFtdi + "=ttyUSB0", "1=/dev/pts/3", 1, "/dev/pts/3");
        row("ports without a link take the devices", ftdi, kFtdi + "=ttyUSB0", "1=/dev/pts/3", 2,
            shownFtdi);
        row("a linked device is not offered twice", "ttyS0 ttyUSB0", "", "3=/dev/ttyS0", 1,
            "/dev/ttyUSB0");
        row("link shows the adapter it leads to", ftdi, "", "2=/dev/ttyUSB0", 2, shownFtdi);
        row("unknown details left out", "ttyS0:n/a|n/a|", "", "", 1, "/dev/ttyS0");
        // An unplugged adapter pinned by its stable name keeps its port, and nothing takes it.
        const QString pinned = "2=?/dev/serial/by-id/" + kFtdi;
        row("dangling link: not there", "ttyS0", "", pinned, 2,
            "/run/t/comm2 \u2192 /dev/serial/by-id/" + kFtdi + " (not there)");
        row("dangling link: the next port keeps its device", "ttyS0 ttyS1", "", pinned, 3,
            "/dev/ttyS1");
        row("port 9 does not exist", "ttyS0", "", "", 9, "");
    }
    void resolution() {
        QFETCH(portmap::DeviceScan, machine);
        QFETCH(int, port);
        QTEST(portmap::describe(portmap::resolveIn(machine, port)), "shown");
    }
};

QTEST_GUILESS_MAIN(TestPortMap)
#include "tst_portmap.moc"
