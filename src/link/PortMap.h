#pragma once

#include <QString>
#include <QStringList>

// Resolves the panel's port numbers 1..8 to serial devices. A link named commN in the per-user
// port folder wins (the board simulator attaches itself there); otherwise port N is the Nth
// serial device the system lists, in name order.
namespace portmap {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 8;

// $TESSAREL_PORT_DIR if set, else $XDG_RUNTIME_DIR/tessarel, else /tmp/tessarel-<uid>.
QString portFolder();

// Path of the link for port n inside the port folder (it may not exist).
QString linkPath(int port);

// The device port n resolves to, or an empty string when nothing is there.
QString resolve(int port);

// The serial devices the system lists, sorted, for the fallback rule.
QStringList systemDevices();

} // namespace portmap
