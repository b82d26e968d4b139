#include "FakeTransport.h"

#include <QMetaObject>

bool FakeTransport::open(const QString& device, const LineSettings& settings, QString* error) {
    if (failOpen) {
        if (error) {
            *error = failOpenReason;
        }
        return false;
    }
    openedDevice = device;
    openedSettings = settings;
    ++openCount;
    m_open = true;
    m_pending.clear();
    return true;
}

void FakeTransport::close() {
    if (m_open) {
        ++closeCount;
    }
    m_open = false;
    m_pending.clear();
}

QByteArray FakeTransport::readAll() {
    QByteArray bytes;
    bytes.swap(m_pending);
    return bytes;
}

void FakeTransport::write(const QByteArray& data) {
    if (dropNextWrite) {
        dropNextWrite = false;
        ++droppedWrites;
        return;
    }
    QByteArray sent = data;
    if (corruptNextWrite && !sent.isEmpty()) {
        corruptNextWrite = false;
        sent[0] = static_cast<char>(~static_cast<unsigned char>(sent.at(0)));
    }
    writes.append(sent);
    if (onWrite) {
        onWrite(sent);
    }
}

void FakeTransport::discardUnsent() { discards.append(int(writes.size())); }

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
