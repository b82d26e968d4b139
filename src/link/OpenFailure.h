#pragma once

#include <QString>
#include <QStringList>

// Why a serial port could not be opened, and what the user can do about it. The reasoning runs
// on facts gathered from the machine (observe()), so every cause can be produced by a fake.
namespace openfailure {

struct Facts {
    QString port;   // "Comm3"
    QString device; // what the port resolved to; empty when nothing did
    QString error;  // what the serial layer said
    bool exists = false;
    bool accessible = false; // this process may read and write it
    QString group;           // the group owning the device
    int mode = 0660;         // its permission bits
    bool inGroupNow = false; // this process has that group
    // The group database lists the user in that group; without inGroupNow, this login started
    // before the user was added.
    bool groupListsYou = false;
    QStringList holders; // other processes that have it open, "minicom (pid 4711)"
    bool brlttyRunning = false;
    // USB serial adapters that are plugged in yet have no tty: "1a86:7523 USB Serial".
    QStringList adaptersWithoutTty;
    bool modemManagerRunning = false;
};

enum class Cause { NoDevice, DeviceGone, Brltty, Permission, Busy, ModemManager, Unknown };

Cause diagnose(const Facts& facts);

// The whole message: what failed, then what to do.
QString explain(const Facts& facts);

// Looks at the machine: the device node, its owner group, /proc for processes holding it and
// for brltty and ModemManager, /sys for USB serial adapters without a tty.
Facts observe(const QString& device);

// The board simulator keeps its end of the pseudo-terminal open; it is never the one to close.
inline constexpr char kSimulator[] = "tessarel-boardsim";

// USB vendor:product ids of common serial adapters, the ones brltty likes to claim.
bool isSerialAdapterId(const QString& vendorProduct);

} // namespace openfailure
