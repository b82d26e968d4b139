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

    // Bytes from the board; readyRead follows from the event loop. A closed port hears nothing.
    void inject(const QByteArray& bytes);
    // The device goes away: closed, then lost is raised.
    void loseDevice(const QString& reason);

    QByteArray written() const;
    void clearWrites() { writes.clear(); }

    // A line behind the device, on the test's clock: with one set, each byte written leaves
    // 11 bit times at 9600 baud after the one before it (or after its write, on an idle
    // line), as a UART or USB adapter lets it go. Bytes that have left reach onLeave, in
    // order, when leave() looks at the clock; until then they could still be taken back.
    void setLineClock(std::function<qint64()> clock) { m_lineClock = std::move(clock); }
    QByteArray leave();
    std::function<void(const QByteArray&)> onLeave;

    QList<QByteArray> writes;
    // Called after each write is recorded, e.g. for a board core that answers by inject().
    std::function<void(const QByteArray&)> onWrite;

    bool failOpen = false;
    QString failOpenReason = QStringLiteral("device busy");

    // What the device says it still has to send (-1: it cannot tell).
    qint64 reportedUnsent = -1;

    QString openedDevice;
    LineSettings openedSettings;

private:
    void announce();

    QByteArray m_pending;
    bool m_open = false;
    std::function<qint64()> m_lineClock;
    QByteArray m_onLine;     // written, not yet left
    qint64 m_runStartNs = 0; // when the line last became busy
    qint64 m_runBytes = 0;   // bytes left since then
};
