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

namespace {
constexpr qint64 kByteBits = 11;
constexpr qint64 kBaud = 9600;

qint64 leftAt(qint64 start, qint64 bytes) {
    return start + bytes * kByteBits * 1'000'000'000 / kBaud;
}
} // namespace

void FakeTransport::write(const QByteArray& data) {
    writes.append(data);
    if (m_lineClock) {
        leave();
        if (m_onLine.isEmpty()) {
            m_runStartNs = qMax(m_lineClock(), leftAt(m_runStartNs, m_runBytes));
            m_runBytes = 0;
        }
        m_onLine += data;
    }
    if (onWrite) {
        onWrite(data);
    }
}

QByteArray FakeTransport::leave() {
    if (!m_lineClock) {
        return {};
    }
    const qint64 now = m_lineClock();
    qsizetype gone = 0;
    while (gone < m_onLine.size() && leftAt(m_runStartNs, m_runBytes + 1) <= now) {
        ++gone;
        ++m_runBytes;
    }
    const QByteArray left = m_onLine.left(gone);
    m_onLine.remove(0, gone);
    if (!left.isEmpty() && onLeave) {
        onLeave(left);
    }
    return left;
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
