#pragma once

#include <QList>
#include <QObject>

#include <initializer_list>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal on the event thread. The handler only writes the
// signal's number into a pipe; everything else happens when the event loop reads it.
class SignalPipe : public QObject {
    Q_OBJECT
public:
    explicit SignalPipe(std::initializer_list<int> which, QObject* parent = nullptr);
    // The previous handlers come back.
    ~SignalPipe() override;

    SignalPipe(const SignalPipe&) = delete;
    SignalPipe& operator=(const SignalPipe&) = delete;

signals:
    void received(int signal);

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
    QList<int> m_signals;
};
