#include "PtyPair.h"

#include "link/OpenFailure.h"
#include "link/QtSerialTransport.h"

#include <QProcess>
#include <QTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using openfailure::Facts;

Q_DECLARE_METATYPE(openfailure::Facts)

namespace {

Facts seen(const QString& device, const QString& error) {
    Facts f;
    f.port = QStringLiteral("Comm1");
    f.device = device;
    f.error = error;
    f.exists = !device.isEmpty();
    f.accessible = true;
    f.group = QStringLiteral("dialout");
    return f;
}

} // namespace

class TestOpenFailure : public QObject {
    Q_OBJECT
private slots:
    void messageNamesTheCure_data() {
        QTest::addColumn<Facts>("facts");
        QTest::addColumn<QString>("message");
        const QString usb = QStringLiteral("/dev/ttyUSB0");
        const QString denied = QStringLiteral("Permission denied");

        Facts none = seen(QString(), QStringLiteral("no device is attached to this port"));
        QTest::newRow("no device")
            << none
            << QStringLiteral("Comm1 could not be opened: no device is attached to this port.\n\n"
                              "Plug in the adapter, then choose the port again; the list of ports "
                              "shows what each one leads to.");
        Facts brltty = none;
        brltty.brlttyRunning = true;
        brltty.adaptersWithoutTty = QStringList{QStringLiteral("1a86:7523 USB Serial")};
        QTest::newRow("brltty took the adapter")
            << brltty
            << QStringLiteral(
                   "Comm1 could not be opened: no device is attached to this port.\n\n"
                   "The braille display service brltty is running and has taken the USB serial "
                   "adapter (1a86:7523 USB Serial): it is plugged in, but no serial device was "
                   "made for it. If you use no braille display, remove brltty: sudo apt remove "
                   "brltty\nOtherwise keep it away from serial adapters: sudo systemctl mask "
                   "brltty-udev.service && sudo systemctl stop brltty.service\n"
                   "Then unplug the adapter and plug it in again.");
        Facts gone = seen(usb, QStringLiteral("No such file or directory"));
        gone.exists = false;
        QTest::newRow("device gone")
            << gone
            << QStringLiteral("Comm1 (/dev/ttyUSB0) could not be opened: No such file or "
                              "directory.\n\nThe device /dev/ttyUSB0 is not there: the adapter "
                              "was unplugged, or the link to it points nowhere. Plug the adapter "
                              "in and choose the port again.");
        Facts perm = seen(usb, denied);
        perm.accessible = false;
        QTest::newRow("not in the group")
            << perm
            << QStringLiteral("Comm1 (/dev/ttyUSB0) could not be opened: Permission denied.\n\n"
                              "The device belongs to the group \"dialout\" and you are not in it. "
                              "Add yourself to the group: sudo usermod -aG dialout $USER\n"
                              "A new login is needed before it counts: log out and in again, then "
                              "choose the port again.");
        Facts rootOnly = perm;
        rootOnly.group = QStringLiteral("root");
        QTest::newRow("only root may open it")
            << rootOnly
            << QStringLiteral("Comm1 (/dev/ttyUSB0) could not be opened: Permission denied.\n\n"
                              "Only the administrator may open the device. Open it up for this "
                              "session: sudo chmod a+rw /dev/ttyUSB0\nFor good, install the "
                              "panel's udev rule (see \"Troubleshooting the connection\" in the "
                              "README).");
        Facts relogin = perm;
        relogin.groupNeedsNewLogin = true;
        QTest::newRow("in the group since this login")
            << relogin
            << QStringLiteral("Comm1 (/dev/ttyUSB0) could not be opened: Permission denied.\n\n"
                              "The device belongs to the group \"dialout\". You are in that group, "
                              "but this login started before you were added: log out and in again "
                              "(or restart the computer), then choose the port again.");
        Facts busy = seen(usb, denied);
        busy.holders = QStringList{QStringLiteral("minicom (pid 4711)")};
        busy.modemManagerRunning = true; // what /proc names outweighs a guess
        QTest::newRow("held by a named process")
            << busy
            << QStringLiteral("Comm1 (/dev/ttyUSB0) could not be opened: Permission denied.\n\n"
                              "Another program has the device open: minicom (pid 4711). Close it "
                              "(or end it: kill 4711) and choose the port again.");
        Facts mm = seen(usb, denied);
        mm.modemManagerRunning = true;
        QTest::newRow("ModemManager probing")
            << mm
            << QStringLiteral(
                   "Comm1 (/dev/ttyUSB0) could not be opened: Permission denied.\n\n"
                   "ModemManager is running: it probes every new serial device for a modem and "
                   "holds it "
                   "for several seconds. Wait a moment and choose the port again. If you have no "
                   "mobile "
                   "modem, switch it off: sudo systemctl disable --now ModemManager\nOr install "
                   "the "
                   "panel's udev rule, which tells ModemManager to leave the adapter alone (see "
                   "\"Troubleshooting the connection\" in the README).");
        Facts mmBuiltIn = seen(QStringLiteral("/dev/ttyS0"), denied);
        mmBuiltIn.modemManagerRunning = true; // it leaves built-in ports alone
        QTest::newRow("held by someone unseen")
            << mmBuiltIn
            << QStringLiteral("Comm1 (/dev/ttyS0) could not be opened: Permission denied.\n\n"
                              "Another program may have the device open, such as a terminal "
                              "program or a second copy of this panel. To see which: fuser -v "
                              "/dev/ttyS0");
    }
    void messageNamesTheCure() {
        QFETCH(Facts, facts);
        QTEST(openfailure::explain(facts), "message");
    }

    void lockedDeviceIsExplainedForReal() {
        if (::geteuid() == 0) {
            QSKIP("root may open any device");
        }
        PtyPair pty;
        QVERIFY(pty.ok());
        const QByteArray path = QFile::encodeName(pty.slavePath());
        QCOMPARE(::chmod(path.constData(), 0), 0);
        QtSerialTransport port;
        QString error;
        QVERIFY(!port.open(pty.slavePath(), LineSettings{}, &error));

        Facts facts = openfailure::observe(pty.slavePath());
        facts.port = QStringLiteral("Comm1");
        facts.error = error;
        QCOMPARE(openfailure::diagnose(facts), openfailure::Cause::Permission);
        struct stat st {};
        QCOMPARE(::stat(path.constData(), &st), 0);
        const QString message = openfailure::explain(facts);
        QVERIFY2(message.contains(QStringLiteral("group \"%1\"").arg(getgrgid(st.st_gid)->gr_name)),
                 qPrintable(message));
    }

    void heldDeviceNamesTheHolderForReal() {
        PtyPair pty;
        QVERIFY(pty.ok());
        QProcess holder;
        holder.setStandardInputFile(pty.slavePath());
        holder.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(holder.waitForStarted());
        const qint64 pid = holder.processId();
        const Facts facts = openfailure::observe(pty.slavePath());
        holder.kill();
        holder.waitForFinished();
        QCOMPARE(facts.holders, QStringList(QStringLiteral("sleep (pid %1)").arg(pid)));
    }
};

QTEST_GUILESS_MAIN(TestOpenFailure)
#include "tst_openfailure.moc"
