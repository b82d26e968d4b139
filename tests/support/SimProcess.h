#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

// The board simulator as a child process, for tests that need a real pty with a board on it.
// Waits pump the event loop, so a serial port in the same thread keeps working meanwhile;
// their time-outs only keep a broken run from hanging, they are no measurements.
class SimProcess : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultTimeoutMs = 15000;

    explicit SimProcess(QObject* parent = nullptr);
    ~SimProcess() override; // stops the simulator if it still runs

    // Added to the simulator's environment (TESSAREL_PORT_DIR for --attach, for instance).
    void setEnvironmentValue(const QString& name, const QString& value);

    // Starts it with these options and waits for the device path. False with error() when it
    // does not start or ends first.
    bool start(const QStringList& options = {}, int timeoutMs = kDefaultTimeoutMs);
    QString devicePath() const { return m_device; }
    QString error() const { return m_error; }
    bool running() const { return m_process.state() != QProcess::NotRunning; }

    // Log lines after the device path, without their time stamps ("channel 9 200").
    QStringList lines() const { return m_lines; }
    // The simulator's own time stamp of each line, in seconds since it started (-1: none).
    QList<double> lineTimes() const { return m_times; }
    // Index of the first line from 'from' on that equals text; waits for it; -1 on time-out.
    int waitForLine(const QString& text, int from = 0, int timeoutMs = kDefaultTimeoutMs);
    int waitForLine(const std::function<bool(const QString&)>& match, int from = 0,
                    int timeoutMs = kDefaultTimeoutMs);

    // Asks it to quit ("quit" on stdin) and waits; kills it when it does not go. True when it
    // ended by itself with exit code 0.
    bool stop(int timeoutMs = kDefaultTimeoutMs);
    // Ends it with SIGTERM and waits; true for a clean exit.
    bool terminate(int timeoutMs = kDefaultTimeoutMs);
    // Waits for it to end by itself (after --exit-after-ms, for instance).
    bool waitForExit(int timeoutMs = kDefaultTimeoutMs);
    int exitCode() const { return m_process.exitCode(); }

private:
    void takeOutput();
    bool pumpUntil(const std::function<bool()>& done, int timeoutMs);

    QProcess m_process;
    QProcessEnvironment m_environment;
    QByteArray m_partial;
    QByteArray m_stderr;
    QString m_device;
    QString m_error;
    QStringList m_lines;
    QList<double> m_times;
    bool m_haveDevice = false;
};
