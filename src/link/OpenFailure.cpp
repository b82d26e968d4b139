#include "OpenFailure.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace openfailure {

namespace {

QString tr(const char* text) { return QCoreApplication::translate("OpenFailure", text); }

bool isUsbSerial(const QString& device) {
    return device.startsWith(QLatin1String("/dev/ttyUSB")) ||
           device.startsWith(QLatin1String("/dev/ttyACM"));
}

QString readLine(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readLine()).trimmed() : QString();
}

} // namespace

bool isSerialAdapterId(const QString& vendorProduct) {
    static const QStringList ids{
        QStringLiteral("0403:6001"), QStringLiteral("0403:6010"), QStringLiteral("0403:6014"),
        QStringLiteral("0403:6015"), QStringLiteral("10c4:ea60"), QStringLiteral("1a86:7523"),
        QStringLiteral("1a86:55d4"), QStringLiteral("067b:2303"), QStringLiteral("067b:23a3")};
    return ids.contains(vendorProduct.toLower());
}

Cause diagnose(const Facts& f) {
    if (f.device.isEmpty() || !f.exists) {
        if (f.brlttyRunning && !f.adaptersWithoutTty.isEmpty()) {
            return Cause::Brltty;
        }
        return f.device.isEmpty() ? Cause::NoDevice : Cause::DeviceGone;
    }
    if (!f.accessible) {
        return Cause::Permission;
    }
    for (const QString& holder : f.holders) {
        if (holder.startsWith(QLatin1String("ModemManager"))) {
            return Cause::ModemManager;
        }
    }
    if (!f.holders.isEmpty()) {
        return Cause::Busy;
    }
    // Its processes run as root, so /proc rarely tells; probing a new adapter is its habit.
    if (f.modemManagerRunning && isUsbSerial(f.device)) {
        return Cause::ModemManager;
    }
    return Cause::Unknown;
}

namespace {

// Judged from the mode bits and the groups this process has now: joining a group cures only
// when the group may read and write and the user is not in it yet.
QString permissionCure(const Facts& f) {
    const QString mode = QStringLiteral("%1").arg(f.mode & 0777, 4, 8, QLatin1Char('0'));
    const bool groupReads = (f.mode & 040) != 0;
    const bool groupWrites = (f.mode & 020) != 0;
    const QString udev = tr("For good, install the panel's udev rule (see \"Troubleshooting the "
                            "connection\" in the README).");
    if (groupWrites && !groupReads) {
        return tr("The device belongs to the group \"%1\", which may write to it but not read it "
                  "(mode %2): it is a terminal or a console. Joining that group would not let the "
                  "panel read, and would let you write to other users' terminals. Choose the port "
                  "the board's adapter is on; if the board is on this one, a login console runs "
                  "on it (see \"Troubleshooting the connection\" in the README).")
            .arg(f.group, mode);
    }
    if (f.group == QLatin1String("root")) {
        // Joining root's group is no cure; opening the device up is.
        return tr("Only the administrator may open the device. Open it up for this session: "
                  "sudo chmod a+rw %1\n")
                   .arg(f.device) +
               udev;
    }
    if (!groupReads || !groupWrites) {
        if (f.inGroupNow) {
            return tr("The device belongs to the group \"%1\" and you are in it, but the group "
                      "may not read and write it (mode %2). Give the group its rights for this "
                      "session: sudo chmod g+rw %3\n")
                       .arg(f.group, mode, f.device) +
                   udev;
        }
        return tr("Only the administrator may open the device: its group \"%1\" may not read "
                  "and write it (mode %2), so joining the group would not help. Open it up for "
                  "this session: sudo chmod a+rw %3\n")
                   .arg(f.group, mode, f.device) +
               udev;
    }
    if (f.inGroupNow) {
        return tr("The device belongs to the group \"%1\", which may read and write it (mode %2), "
                  "and you are in that group, yet the system refused. A sandbox (a snap or "
                  "Flatpak) or a security module may keep the panel away from serial devices: run "
                  "the panel outside it, or ask the administrator.")
            .arg(f.group, mode);
    }
    if (f.groupListsYou) {
        return tr("The device belongs to the group \"%1\". You are in that group, but this "
                  "login started before you were added: log out and in again (or restart the "
                  "computer), then choose the port again.")
            .arg(f.group);
    }
    return tr("The device belongs to the group \"%1\" and you are not in it. Add yourself to the "
              "group: sudo usermod -aG %1 $USER\n"
              "A new login is needed before it counts: log out and in again, then choose the "
              "port again.")
        .arg(f.group);
}

} // namespace

QString explain(const Facts& f) {
    const QString what = f.device.isEmpty() ? f.port : QStringLiteral("%1 (%2)").arg(f.port, f.device);
    QString text = tr("%1 could not be opened: %2.").arg(what, f.error) + QStringLiteral("\n\n");
    switch (diagnose(f)) {
    case Cause::NoDevice:
        text += tr("Plug in the adapter, then choose the port again; the list of ports shows "
                   "what each one leads to.");
        break;
    case Cause::DeviceGone:
        text += tr("The device %1 is not there: the adapter was unplugged, or the link to it "
                   "points nowhere. Plug the adapter in and choose the port again.")
                    .arg(f.device);
        break;
    case Cause::Brltty:
        text += tr("The braille display service brltty is running and has taken the USB serial "
                   "adapter (%1): it is plugged in, but no serial device was made for it. If you "
                   "use no braille display, remove brltty: sudo apt remove brltty\n"
                   "Otherwise keep it away from serial adapters: sudo systemctl mask "
                   "brltty-udev.service && sudo systemctl stop brltty.service\n"
                   "Then unplug the adapter and plug it in again.")
                    .arg(f.adaptersWithoutTty.join(QLatin1String(", ")));
        break;
    case Cause::Permission:
        text += permissionCure(f);
        break;
    case Cause::Busy: {
        QStringList others = f.holders;
        others.removeIf([](const QString& h) {
            return h.startsWith(QLatin1String(kSimulator) + QLatin1String(" ("));
        });
        if (others.isEmpty()) {
            text += tr("Only the board simulator is seen holding the device (%1), and it does not "
                       "keep the panel out: another program does, which this login cannot see. "
                       "To see which: sudo fuser -v %2")
                        .arg(f.holders.join(QLatin1String(", ")), f.device);
            break;
        }
        text += tr("Another program has the device open: %1. Close it (or end it: kill %2) and "
                   "choose the port again.")
                    .arg(others.join(QLatin1String(", ")),
                         others.first().section(QLatin1String("pid "), 1).chopped(1));
        break;
    }
    case Cause::ModemManager:
        text += tr("ModemManager is running: it probes every new serial device for a modem and "
                   "holds it for several seconds. Wait a moment and choose the port again. If you "
                   "have no mobile modem, switch it off: sudo systemctl disable --now "
                   "ModemManager\n"
                   "Or install the panel's udev rule, which tells ModemManager to leave the "
                   "adapter alone (see \"Troubleshooting the connection\" in the README).");
        break;
    case Cause::Unknown:
        text += tr("Another program may have the device open, such as a terminal program or a "
                   "second copy of this panel. To see which: fuser -v %1")
                    .arg(f.device);
        break;
    }
    return text;
}

namespace {

struct ProcessScan {
    QStringList holders;
    bool brltty = false;
    bool modemManager = false;
};

// The kernel cuts a process's name to 15 characters ("tessarel-boards"); the program's own
// name is taken from its command line when it begins so.
QString processName(const QString& pid, const QString& comm) {
    constexpr int kCommLength = 15;
    if (comm.size() < kCommLength) {
        return comm;
    }
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!cmdline.open(QIODevice::ReadOnly)) {
        return comm;
    }
    const QByteArray argv0 = cmdline.read(4096).split('\0').constFirst();
    const QString program = QFileInfo(QFile::decodeName(argv0)).fileName();
    return program.startsWith(comm) ? program : comm;
}

ProcessScan scanProcesses(const QString& device) {
    ProcessScan scan;
    const QString self = QString::number(::getpid());
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid.isEmpty() || !pid.at(0).isDigit() || pid == self) {
            continue;
        }
        const QString comm = readLine(QStringLiteral("/proc/%1/comm").arg(pid));
        scan.brltty = scan.brltty || comm == QLatin1String("brltty");
        scan.modemManager = scan.modemManager || comm == QLatin1String("ModemManager");
        if (device.isEmpty()) {
            continue;
        }
        // Readable only for our own processes unless we are root.
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
            if (fd.symLinkTarget() == device) {
                scan.holders << QStringLiteral("%1 (pid %2)").arg(processName(pid, comm), pid);
                break;
            }
        }
    }
    return scan;
}

bool hasTty(const QString& dir, int depth) {
    const QDir d(dir);
    for (const QString& child : d.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (child.startsWith(QLatin1String("tty"))) {
            return true;
        }
        if (depth > 0 && hasTty(dir + QLatin1Char('/') + child, depth - 1)) {
            return true;
        }
    }
    return false;
}

QStringList adaptersWithoutTty() {
    QStringList found;
    const QDir usb(QStringLiteral("/sys/bus/usb/devices"));
    for (const QFileInfo& entry : usb.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString dir = entry.canonicalFilePath();
        const QString id = readLine(dir + QLatin1String("/idVendor")) + QLatin1Char(':') +
                           readLine(dir + QLatin1String("/idProduct"));
        if (!isSerialAdapterId(id) || hasTty(dir, 2)) {
            continue;
        }
        const QString product = readLine(dir + QLatin1String("/product"));
        found << (product.isEmpty() ? id : QStringLiteral("%1 %2").arg(id, product));
    }
    return found;
}

} // namespace

Facts observe(const QString& device) {
    Facts f;
    f.device = device;
    const QByteArray path = QFile::encodeName(device);
    struct stat st {};
    f.exists = !device.isEmpty() && ::stat(path.constData(), &st) == 0;
    if (f.exists) {
        f.accessible = ::access(path.constData(), R_OK | W_OK) == 0;
        if (const group* g = ::getgrgid(st.st_gid)) {
            f.group = QString::fromLocal8Bit(g->gr_name);
        } else {
            f.group = QString::number(st.st_gid);
        }
        f.mode = int(st.st_mode & 0777);
        f.inGroupNow = ::getegid() == st.st_gid;
        std::vector<gid_t> mine(static_cast<size_t>(qMax(0, ::getgroups(0, nullptr))));
        const int n = ::getgroups(static_cast<int>(mine.size()), mine.data());
        for (int i = 0; i < n; ++i) {
            f.inGroupNow = f.inGroupNow || mine[size_t(i)] == st.st_gid;
        }
        if (const passwd* pw = ::getpwuid(::getuid())) {
            int count = 64;
            std::vector<gid_t> listed(static_cast<size_t>(count));
            if (::getgrouplist(pw->pw_name, pw->pw_gid, listed.data(), &count) < 0) {
                listed.resize(size_t(count));
                ::getgrouplist(pw->pw_name, pw->pw_gid, listed.data(), &count);
            }
            for (int i = 0; i < count && i < int(listed.size()); ++i) {
                f.groupListsYou = f.groupListsYou || listed[size_t(i)] == st.st_gid;
            }
        }
    }
    const ProcessScan procs = scanProcesses(f.exists ? QFileInfo(device).canonicalFilePath() : QString());
    f.holders = procs.holders;
    f.brlttyRunning = procs.brltty;
    f.modemManagerRunning = procs.modemManager;
    if (f.brlttyRunning && !f.exists) {
        f.adaptersWithoutTty = adaptersWithoutTty();
    }
    return f;
}

} // namespace openfailure
