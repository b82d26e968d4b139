#pragma once

#include "link/SerialControl.h"
#include "support/FakeTransport.h"

#include <QCoreApplication>

// Runs what the event queue holds, including what that posts in turn.
inline void settle() {
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
    }
}

inline QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) {
        out.append(char(v));
    }
    return out;
}

// The way the panel opens its port: one byte per read, a notification for each byte.
inline bool openNormal(SerialControl& comm, int port = 1) {
    comm.setCommPort(port);
    comm.setInBufferSize(20000);
    comm.setSettings(QStringLiteral("9600,N,8,2"));
    const bool open = comm.setPortOpen(true);
    comm.setInputLen(1);
    comm.setRThreshold(1);
    comm.setInputMode(SerialControl::InputMode::Binary);
    return open;
}

// A serial control over a fake device.
struct LinkRig {
    FakeTransport* fake = new FakeTransport;
    SerialControl comm{std::unique_ptr<SerialTransport>(fake),
                       [](int port) { return QStringLiteral("/dev/fake%1").arg(port); }};
    bool openNormal(int port = 1) { return ::openNormal(comm, port); }
    void arrive(const QByteArray& data) {
        fake->inject(data);
        settle();
    }
};
