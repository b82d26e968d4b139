#include "PortMap.h"

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

QStringList systemDevices() {
    QStringList devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        devices << info.systemLocation();
    }
    std::sort(devices.begin(), devices.end());
    return devices;
}

QString resolve(int port) {
    if (port < kFirstPort || port > kLastPort) {
        return {};
    }
    const QFileInfo link(linkPath(port));
    if (link.exists()) { // follows the link: a dangling one is skipped
        return link.canonicalFilePath();
    }
    const QStringList devices = systemDevices();
    return port <= devices.size() ? devices.at(port - 1) : QString();
}

} // namespace portmap
