#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

// Resolves the panel's port numbers 1..8 to serial devices. A link named commN in the per-user
// port folder wins (the board simulator attaches itself there), even when it leads nowhere for
// now (an unplugged adapter pinned by its by-id name). The ports without one take the
// remaining serial devices in a stable order: adapters with a name in /dev/serial/by-id first,
// ordered by that name (maker, model and serial number, so a replugged adapter keeps its port
// whatever ttyUSB number it gets), then the other devices in name order.
namespace portmap {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 8;

// $TESSAREL_PORT_DIR if set, else $XDG_RUNTIME_DIR/tessarel, else /tmp/tessarel-<uid>.
QString portFolder();

// Path of the link for port n inside the port folder (it may not exist).
QString linkPath(int port);

// A serial device as the system lists it.
struct SerialDevice {
    QString location; // /dev/ttyUSB0
    QString description;
    QString manufacturer;
    QString serialNumber;
};

// A commN link in the port folder. Live or dangling, it pins its port: a dangling one leaves the
// port without a device rather than letting another device take the number.
struct PortLink {
    QString path;   // the link itself
    QString target; // where it points
    QString device; // the device it leads to; empty when nothing is there
};

// What the resolution looks at; scanSystem() fills it from the machine, tests from literals.
struct DeviceScan {
    QList<SerialDevice> devices;
    QMap<QString, QString> byId; // by-id name -> device it leads to
    QMap<int, PortLink> links;
};

struct Resolution {
    Resolution() = default;
    // A device and nothing more known of it, as a fixed mapping (a tool's, a test's) gives.
    Resolution(const QString& device) : device(device), info{device, {}, {}, {}} {}

    QString device;     // empty when nothing is there
    SerialDevice info;  // what the system says about the device (location only if unlisted)
    QString stableName; // its name in /dev/serial/by-id, if it has one
    QString link;       // the commN link that pins the port; empty when none does
    QString missing;    // where that link points when nothing is there

    // What the port leads to in a form that survives replugging: the link that pins it, else
    // the adapter's stable name, else the device.
    QString identity() const;
};

Resolution resolveIn(const DeviceScan& scan, int port);

// The machine's devices, /dev/serial/by-id and the port folder's links, now (or as the
// innermost live ScanBatch of this thread saw them).
DeviceScan scanSystem();

// Looks at the machine once for a run of resolutions, such as refreshing all eight ports.
class ScanBatch {
public:
    ScanBatch();
    ~ScanBatch();
    ScanBatch(const ScanBatch&) = delete;
    ScanBatch& operator=(const ScanBatch&) = delete;

private:
    DeviceScan m_scan;
    const DeviceScan* m_outer;
};

// What port n resolves to on this machine now.
Resolution lookUp(int port);
// The device port n resolves to, or an empty string when nothing is there.
QString resolve(int port);

using Lookup = std::function<Resolution(int port)>;

// "/dev/ttyUSB0 (FT232R USB UART, FTDI, A50285BI)": the device and what the system says of it;
// "/run/user/1000/tessarel/comm2 → /dev/serial/by-id/usb-… (not there)" for a dangling link.
QString describe(const Resolution& r);
// The same for a device found by other means (the details come from the system's list).
QString describeDevice(const QString& device);

} // namespace portmap
