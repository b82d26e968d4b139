#pragma once

#include "SerialTransport.h"

#include <QSerialPort>

// The real serial port.
class QtSerialTransport : public SerialTransport {
    Q_OBJECT
public:
    explicit QtSerialTransport(QObject* parent = nullptr);

    bool open(const QString& device, const LineSettings& settings, QString* error) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    QByteArray readAll() override { return m_port.readAll(); }
    void write(const QByteArray& data) override;
    qint64 unsentBytes() const override;

private:
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
};
