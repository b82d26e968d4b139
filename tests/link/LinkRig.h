#pragma once

#include "link/SerialControl.h"
#include "support/FakeTransport.h"

#include <QCoreApplication>
#include <QString>

#include <memory>

// A serial control over a fake device, for the link tests.
struct LinkRig {
    FakeTransport* fake;
    SerialControl comm;

    LinkRig() : LinkRig(std::make_unique<FakeTransport>()) {}

    // The way the panel opens its port: big buffer, one byte per read, notify on each byte.
    bool openNormal(int port = 1) {
        comm.setCommPort(port);
        comm.setInBufferSize(20000);
        comm.setSettings(QStringLiteral("9600,N,8,2"));
        if (!comm.setPortOpen(true)) {
            return false;
        }
        comm.setInputLen(0);
        comm.input();
        comm.setInputLen(1);
        comm.setRThreshold(1);
        comm.setInputMode(SerialControl::InputMode::Binary);
        return true;
    }

private:
    explicit LinkRig(std::unique_ptr<FakeTransport> transport)
        : fake(transport.get()),
          comm(std::move(transport),
               [](int port) { return QStringLiteral("/dev/fake%1").arg(port); }) {}
};

// Runs what the event queue holds, including what that posts in turn; the fake's arrivals
// and the control's notifications are all posted events.
inline void settle() {
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
    }
}

inline QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) {
        out.append(static_cast<char>(v));
    }
    return out;
}
