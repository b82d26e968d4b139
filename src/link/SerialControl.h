#pragma once

#include "SerialTransport.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// The panel's serial communications control: a receive buffer with a read length, a receive
// threshold and a notification, over a transport. The notification is always delivered from
// the event queue, never from inside the transport's own signal, and is raised again after a
// handler returns while at least the threshold still waits. It also reckons when the line
// will be free: a pseudo-terminal or a USB adapter takes any number of bytes at once, while
// the board gets them one bit time after another.
class SerialControl : public QObject {
    Q_OBJECT
public:
    enum class InputMode { Text, Binary };
    static constexpr int comEvReceive = 2;

    using Resolver = std::function<QString(int port)>;
    // Nanoseconds on a monotonic clock; tests hand in a clock of their own.
    using Clock = std::function<qint64()>;

    explicit SerialControl(std::unique_ptr<SerialTransport> transport, Resolver resolver,
                           QObject* parent = nullptr);
    ~SerialControl() override;

    void setCommPort(int port) { m_commPort = port; }
    int commPort() const { return m_commPort; }
    void setInBufferSize(int bytes) { m_inBufferSize = bytes; }
    // "9600,N,8,2"; false and nothing changed when the text cannot be read.
    bool setSettings(const QString& settings);
    QString settings() const;

    bool portOpen() const;
    // Opening resolves the port number to a device; false with lastError() when it fails.
    bool setPortOpen(bool open);
    QString lastError() const { return m_lastError; }
    // The device the port number resolves to now (empty when none).
    QString device() const;

    void setInputLen(int bytes) { m_inputLen = bytes; }
    int inputLen() const { return m_inputLen; }
    QByteArray input();
    int inBufferCount() const { return static_cast<int>(m_buffer.size()); }
    void setInBufferCount(int count); // only 0 has a meaning: discard what waits
    void setRThreshold(int bytes);
    int rThreshold() const { return m_rThreshold; }
    void setInputMode(InputMode mode) { m_inputMode = mode; }
    InputMode inputMode() const { return m_inputMode; }
    int commEvent() const { return m_commEvent; }
    void output(const QByteArray& data);

    // The wire time of one byte at the port's settings: start, data, parity and stop bits.
    qint64 byteTimeNs() const { return wireTimeNs(1); }
    qint64 wireTimeNs(qsizetype bytes) const;
    // How long until every byte written so far has left: reckoned from when the line was last
    // free, or the device's own count where it reports a larger one. 0 when the line is free.
    // A byte from the board ends the reckoning of what was written before it.
    qint64 lineFreeInNs() const;
    void setClock(Clock clock) { m_clock = std::move(clock); }

signals:
    void OnComm();
    // The port closed, by a close or because the device vanished.
    void closed();
    // The device vanished while open; the port counts as closed from now on.
    void portLost(const QString& reason);

private:
    void takeArrivals();
    void scheduleNotification();
    void deliverNotification();
    qint64 now() const;

    std::unique_ptr<SerialTransport> m_transport;
    Resolver m_resolver;
    LineSettings m_lineSettings;
    QByteArray m_buffer;
    QString m_lastError;
    int m_commPort = 1;
    int m_inBufferSize = 1024;
    int m_inputLen = 0;
    int m_rThreshold = 0;
    int m_commEvent = 0;
    InputMode m_inputMode = InputMode::Text;
    Clock m_clock;
    QElapsedTimer m_monotonic;
    qint64 m_lineFreeAtNs = 0; // when the last byte written will have left, by reckoning
    bool m_notificationQueued = false;
    bool m_inHandler = false;
    bool m_bufferTouched = false;
};
