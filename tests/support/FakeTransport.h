#pragma once

#include "link/SerialTransport.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// A serial device for tests: records every write as it was handed over and lets the test
// play the board by injecting bytes, which arrive from the event loop as on a real port.
class FakeTransport : public SerialTransport {
    Q_OBJECT
public:
    using SerialTransport::SerialTransport;

    bool open(const QString& device, const LineSettings& settings, QString* error) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    QByteArray readAll() override;
    void write(const QByteArray& data) override;
    qint64 unsentBytes() const override { return reportedUnsent; }
    void discardUnsent() override;

    // Bytes from the board; readyRead follows from the event loop. A closed port hears nothing.
    void inject(const QByteArray& bytes);
    // The device goes away: closed, then lost is raised.
    void loseDevice(const QString& reason);

    QByteArray written() const;
    void clearWrites() {
        writes.clear();
        discards.clear();
    }

    QList<QByteArray> writes;
    // Called after each write is recorded, e.g. for a board core that answers by inject().
    std::function<void(const QByteArray&)> onWrite;

    bool failOpen = false;
    QString failOpenReason = QStringLiteral("device busy");

    // What the device says it still has to send (-1: it cannot tell), and each discard, as
    // the index into writes it came before.
    qint64 reportedUnsent = -1;
    QList<int> discards;

    QString openedDevice;
    LineSettings openedSettings;

private:
    void announce();

    QByteArray m_pending;
    bool m_open = false;
};
