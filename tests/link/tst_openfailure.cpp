#include "PtyPair.h"

#include "link/OpenFailure.h"
#include "link/QtSerialTransport.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
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
        const auto row = [](const char* name, const Facts& facts, const char* message) {
            QTest::newRow(name) << facts << QString::fromUtf8(message);
        };

        Facts none = seen(QString(), QStringLiteral("no device is attached to this port"));
        row("no device", none,
            "Comm1 could not be opened: no device is attached to this port.\n\nPlug in the "
            "adapter, then choose the port again; the list of ports shows what each one leads to.");
        Facts brltty = none;
        brltty.brlttyRunning = true;
        brltty.adaptersWithoutTty = QStringList{QStringLiteral("1a86:7523 USB Serial")};
        row("brltty took the adapter", brltty,
            "Comm1 could not be opened: no device is attached to this port.\n\nThe braille display "
            "service brltty is running and has taken the USB serial adapter (1a86:7523 USB "
            "Serial): it is plugged in, but no serial device was made for it. If you use no "
            "braille display, remove brltty: sudo apt remove brltty\nOtherwise keep it away from "
            "serial adapters: sudo systemctl mask brltty-udev.service && sudo systemctl stop "
            "brltty.service\nThen unplug the adapter and plug it in again.");
        Facts gone = seen(usb, QStringLiteral("No such file or directory"));
        gone.exists = false;
        row("device gone", gone,
            "Comm1 (/dev/ttyUSB0) could not be opened: No such file or directory.\n\nThe device "
            "/dev/ttyUSB0 is not there: the adapter was unplugged, or the link to it points "
            "nowhere. Plug the adapter in and choose the port again.");
        Facts perm = seen(usb, denied);
        perm.accessible = false;
        row("not in the group", perm,
            "Comm1 (/dev/ttyUSB0) could not be opened: Permission denied.\n\nThe device belongs to "
            "the group \"dialout\" and you are not in it. Add yourself to the group: sudo usermod "
            "-aG dialout $USER\nA new login is needed before it counts: log out and in again, then "
            "choose the port again.");
        Facts rootOnly = perm;
        rootOnly.group = QStringLiteral("root");
        row("only root may open it", rootOnly,
            "Comm1 (/dev/ttyUSB0) could not be opened: Permission denied.\n\nOnly the "
            "administrator may open the device. Open it up for this session: sudo chmod a+rw "
            "/dev/ttyUSB0\nFor good, install the panel's udev rule (see \"Troubleshooting the "
            "connection\" in the README).");
        Facts relogin = perm;
        relogin.groupListsYou = true;
        row("in the group since this login", relogin,
            "Comm1 (/dev/ttyUSB0) could not be opened: Permission denied.\n\nThe device belongs to "
            "the group \"dialout\". You are in that group, but this login started before you were "
            "added: log out and in again (or restart the computer), then choose the port again.");
        Facts member = perm;
        member.inGroupNow = member.groupListsYou = true;
        member.mode = 0600;
        row("in the group, but the group may not open it", member,
            "Comm1 (/dev/ttyUSB0) could not be opened: Permission denied.\n\nThe device belongs to "
            "the group \"dialout\" and you are in it, but the group may not read and write it "
            "(mode 0600). Give the group its rights for this session: sudo chmod g+rw "
            "/dev/ttyUSB0\nFor good, install the panel's udev rule (see \"Troubleshooting the "
            "connection\" in the README).");
        Facts outsider = perm;
        outsider.mode = 0600;
        row("not in the group, which may not open it either", outsider,
            "Comm1 (/dev/ttyUSB0) could not be opened: Permission denied.\n\nOnly the "
            "administrator may open the device: its group \"dialout\" may not read and write it "
            "(mode 0600), so joining the group would not help. Open it up for this session: sudo "
            "chmod a+rw /dev/ttyUSB0\nFor good, install the panel's udev rule (see "
            "\"Troubleshooting the connection\" in the README).");
        Facts console = seen(QStringLiteral("/dev/tty1"), denied);
        console.accessible = false;
        console.group = QStringLiteral("tty");
        console.mode = 0620;
        row("a console, root:tty 0620", console,
            "Comm1 (/dev/tty1) could not be opened: Permission denied.\n\nThe device belongs to "
            "the group \"tty\", which may write to it but not read it (mode 0620): it is a "
            "terminal or a console. Joining that group would not let the panel read, and would let "
            "you write to other users' terminals. Choose the port the board's adapter is on; if "
            "the board is on this one, a login console runs on it (see \"Troubleshooting the "
            "connection\" in the README).");
        Facts refused = member;
        refused.mode = 0660;
        row("in the group, which may open it, yet refused", refused,
            "Comm1 (/dev/ttyUSB0) could not be opened: Permission denied.\n\nThe device belongs to "
            "the group \"dialout\", which may read and write it (mode 0660), and you are in that "
            "group, yet the system refused. A sandbox (a snap or Flatpak) or a security module may "
            "keep the panel away from serial devices: run the panel outside it, or ask the "
            "administrator.");
        Facts busy = seen(usb, denied);
        busy.holders = QStringList{QStringLiteral("minicom (pid 4711)")};
        busy.modemManagerRunning = true; // what /proc names outweighs a guess
        row("held by a named process", busy,
            "Comm1 (/dev/ttyUSB0) could not be opened: Permission denied.\n\nAnother program has "
            "the device open: minicom (pid 4711). Close it (or end it: kill 4711) and choose the "
            "port again.");
        // The simulator keeps its end open; the program to close is the other one.
        const QString sim = QStringLiteral("tessarel-boardsim (pid 300)");
        Facts panels =
            seen(QStringLiteral("/dev/pts/3"), QStringLiteral("Device or resource busy"));
        panels.holders = QStringList{sim, QStringLiteral("tessarel (pid 310)")};
        row("a second panel beside the simulator", panels,
            "Comm1 (/dev/pts/3) could not be opened: Device or resource busy.\n\nAnother program "
            "has the device open: tessarel (pid 310). Close it (or end it: kill 310) and choose "
            "the port again.");
        Facts unseen = panels;
        unseen.holders = QStringList{sim};
        row("only the simulator to be seen", unseen,
            "Comm1 (/dev/pts/3) could not be opened: Device or resource busy.\n\nOnly the board "
            "simulator is seen holding the device (tessarel-boardsim (pid 300)), and it does not "
            "keep the panel out: another program does, which this login cannot see. To see which: "
            "sudo fuser -v /dev/pts/3");
        Facts mm = seen(usb, denied);
        mm.modemManagerRunning = true;
        row("ModemManager probing", mm,
            "Comm1 (/dev/ttyUSB0) could not be opened: Permission denied.\n\nModemManager is "
            "running: it probes every new serial device for a modem and holds it for several "
            "seconds. Wait a moment and choose the port again. If you have no mobile modem, switch "
            "it off: sudo systemctl disable --now ModemManager\nOr install the panel's udev rule, "
            "which tells ModemManager to leave the adapter alone (see \"Troubleshooting the "
            "connection\" in the README).");
        Facts mmBuiltIn = seen(QStringLiteral("/dev/ttyS0"), denied);
        mmBuiltIn.modemManagerRunning = true; // it leaves built-in ports alone
        row("held by someone unseen", mmBuiltIn,
            "Comm1 (/dev/ttyS0) could not be opened: Permission denied.\n\nAnother program may "
            "have the device open, such as a terminal program or a second copy of this panel. To "
            "see which: fuser -v /dev/ttyS0");
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
        QCOMPARE(facts.mode, 0);
        struct stat st {};
        QCOMPARE(::stat(path.constData(), &st), 0);
        const QString message = openfailure::explain(facts);
        QVERIFY2(message.contains(QStringLiteral("group \"%1\"").arg(getgrgid(st.st_gid)->gr_name)),
                 qPrintable(message));
    }

    // The kernel keeps 15 characters of a name: the simulator must still be known as itself.
    void heldDeviceNamesTheHolderForReal_data() {
        QTest::addColumn<QString>("program");
        QTest::newRow("short name") << QStringLiteral("sleep");
        QTest::newRow("the simulator's long name") << QStringLiteral("tessarel-boardsim");
    }
    void heldDeviceNamesTheHolderForReal() {
        QFETCH(QString, program);
        QTemporaryDir dir;
        const QString path = dir.filePath(program);
        QVERIFY(QFile::link(QStandardPaths::findExecutable(QStringLiteral("sleep")), path));
        PtyPair pty;
        QVERIFY(pty.ok());
        QProcess holder;
        holder.setStandardInputFile(pty.slavePath());
        holder.start(path, {QStringLiteral("30")});
        QVERIFY(holder.waitForStarted());
        const qint64 pid = holder.processId();
        const Facts facts = openfailure::observe(pty.slavePath());
        holder.kill();
        holder.waitForFinished();
        QCOMPARE(facts.holders, QStringList(QStringLiteral("%1 (pid %2)").arg(program).arg(pid)));
    }
};

QTEST_GUILESS_MAIN(TestOpenFailure)
#include "tst_openfailure.moc"
