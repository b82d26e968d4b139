#include "PortMap.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <unistd.h>

namespace portmap {

QString portFolder() {
    const QString overridden = qEnvironmentVariable("TESSAREL_PORT_DIR");
    if (!overridden.isEmpty()) {
        return overridden;
    }
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        return runtime + QStringLiteral("/tessarel");
    }
    return QStringLiteral("/tmp/tessarel-%1").arg(::getuid());
}

QString linkPath(int port) { return portFolder() + QStringLiteral("/comm%1").arg(port); }

namespace {

QString byIdNameOf(const DeviceScan& scan, const QString& device) {
    for (auto it = scan.byId.cbegin(); it != scan.byId.cend(); ++it) {
        if (it.value() == device) {
            return it.key(); // the map is ordered, so two names for one device pick the same
        }
    }
    return {};
}

SerialDevice infoOf(const DeviceScan& scan, const QString& device) {
    for (const SerialDevice& d : scan.devices) {
        if (d.location == device) {
            return d;
        }
    }
    return SerialDevice{device, {}, {}, {}};
}

} // namespace

QString Resolution::identity() const {
    if (!link.isEmpty()) {
        return link;
    }
    return stableName.isEmpty() ? device : stableName;
}

Resolution resolveIn(const DeviceScan& scan, int port) {
    Resolution r;
    if (port < kFirstPort || port > kLastPort) {
        return r;
    }
    if (const auto link = scan.links.constFind(port); link != scan.links.cend()) {
        r.link = link->path;
        if (link->device.isEmpty()) {
            r.missing = link->target;
            return r;
        }
        r.device = link->device;
    } else {
        // The devices no link claims, stable names first, fill the ports without a link.
        QList<std::pair<QString, QString>> stable; // by-id name, device
        QStringList rest;
        for (const SerialDevice& d : scan.devices) {
            const auto claimed =
                std::find_if(scan.links.cbegin(), scan.links.cend(),
                             [&d](const PortLink& l) { return l.device == d.location; });
            if (claimed != scan.links.cend()) {
                continue;
            }
            const QString name = byIdNameOf(scan, d.location);
            if (name.isEmpty()) {
                rest << d.location;
            } else {
                stable.append({name, d.location});
            }
        }
        std::sort(stable.begin(), stable.end());
        std::sort(rest.begin(), rest.end());
        QStringList order;
        for (const auto& s : stable) {
            order << s.second;
        }
        order << rest;
        int free = 0; // ports before this one that have no link
        for (int p = kFirstPort; p < port; ++p) {
            free += scan.links.contains(p) ? 0 : 1;
        }
        if (free >= order.size()) {
            return r;
        }
        r.device = order.at(free);
    }
    r.info = infoOf(scan, r.device);
    r.stableName = byIdNameOf(scan, r.device);
    return r;
}

namespace {
thread_local const DeviceScan* t_batch = nullptr;
}

ScanBatch::ScanBatch() : m_scan(scanSystem()), m_outer(t_batch) { t_batch = &m_scan; }
ScanBatch::~ScanBatch() { t_batch = m_outer; }

DeviceScan scanSystem() {
    if (t_batch) {
        return *t_batch;
    }
    DeviceScan scan;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        scan.devices.append({info.systemLocation(), info.description(), info.manufacturer(),
                             info.serialNumber()});
    }
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& entry : byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const QString target = entry.canonicalFilePath();
        if (!target.isEmpty()) {
            scan.byId.insert(entry.fileName(), target);
        }
    }
    for (int port = kFirstPort; port <= kLastPort; ++port) {
        const QFileInfo link(linkPath(port));
        if (link.isSymLink() || link.exists()) { // exists() follows the link, isSymLink() not
            scan.links.insert(port, {link.filePath(),
                                     link.isSymLink() ? link.symLinkTarget() : link.filePath(),
                                     link.exists() ? link.canonicalFilePath() : QString()});
        }
    }
    return scan;
}

Resolution lookUp(int port) {
    return resolveIn(scanSystem(), port);
}

QString resolve(int port) {
    return lookUp(port).device;
}

QString describe(const Resolution& r) {
    if (r.device.isEmpty()) {
        return r.missing.isEmpty()
                   ? QString()
                   : QCoreApplication::translate("PortMap", "%1 \u2192 %2 (not there)")
                         .arg(r.link, r.missing);
    }
    QStringList details;
    for (const QString& d : {r.info.description, r.info.manufacturer, r.info.serialNumber}) {
        // Qt reports "n/a" for a device the system knows nothing about.
        if (!d.isEmpty() && d != QLatin1String("n/a") && !details.contains(d)) {
            details << d;
        }
    }
    return details.isEmpty() ? r.device
                             : QStringLiteral("%1 (%2)").arg(r.device, details.join(QLatin1String(", ")));
}

QString describeDevice(const QString& device) {
    if (device.isEmpty()) {
        return {};
    }
    const DeviceScan scan = scanSystem();
    Resolution r;
    r.device = device;
    r.info = infoOf(scan, device);
    return describe(r);
}

} // namespace portmap
