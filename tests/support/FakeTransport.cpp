#include "FakeTransport.h"

#include <QMetaObject>

#include <utility>

bool FakeTransport::open(const QString& device, const LineSettings& settings, QString* error) {
    if (failOpen) {
        if (error) {
            *error = failOpenReason;
        }
        return false;
    }
    openedDevice = device;
    openedSettings = settings;
    m_open = true;
    m_pending.clear();
    return true;
}

void FakeTransport::close() {
    m_open = false;
    m_pending.clear();
}

QByteArray FakeTransport::readAll() {
    return std::exchange(m_pending, {});
}

void FakeTransport::write(const QByteArray& data) {
    writes.append(data);
    if (onWrite) {
        onWrite(data);
    }
}

void FakeTransport::discardUnsent() {
    discards.append(int(writes.size()));
}

void FakeTransport::inject(const QByteArray& bytes) {
    if (!m_open) {
        return;
    }
    m_pending.append(bytes);
    announce();
}

void FakeTransport::announce() {
    // One queued call per arrival, as a real port raises one per chunk it reads.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_open && !m_pending.isEmpty()) {
                emit readyRead();
            }
        },
        Qt::QueuedConnection);
}

void FakeTransport::loseDevice(const QString& reason) {
    if (!m_open) {
        return;
    }
    close();
    emit lost(reason);
}

QByteArray FakeTransport::written() const {
    QByteArray all;
    for (const QByteArray& w : writes) {
        all += w;
    }
    return all;
}
