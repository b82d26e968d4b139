#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// Line settings as the serial control's settings string gives them ("9600,N,8,2").
struct LineSettings {
    qint32 baud = 9600;
    char parity = 'N';
    int dataBits = 8;
    int stopBits = 2;
};

// The device under the serial control: a real port, or a fake in tests.
class SerialTransport : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialTransport() override = default;

    // Opens the device and applies the settings; bytes waiting from before are dropped.
    virtual bool open(const QString& device, const LineSettings& settings, QString* error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual QByteArray readAll() = 0;
    virtual void write(const QByteArray& data) = 0;
    // Bytes written that the device reports as not yet sent; -1 when it cannot tell (a
    // pseudo-terminal, or a USB adapter whose own buffer the driver does not see).
    virtual qint64 unsentBytes() const { return -1; }

signals:
    void readyRead();
    // The device went away while open; the transport is closed when this is raised.
    void lost(const QString& reason);
};
