#pragma once

#include <QObject>
#include <QString>

// Something the board is asked to do: program or read its flash, play a sequence. It advances
// on signals (the board's replies, timers, Abort) and never waits inside a handler; each run
// ends once, with the text its front end shows.
class Operation : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Running, Done, Failed, Aborted };
    Q_ENUM(State)

    explicit Operation(QObject* parent = nullptr);

    State state() const { return m_state; }
    bool isRunning() const { return m_state == State::Running; }
    // What the last run ended with, for the user; empty when there is nothing to say.
    QString message() const { return m_message; }
    double progress() const { return m_progress; }
    double progressMaximum() const { return m_progressMaximum; }

    // Ends a running operation the way its kind ends an abort; does nothing otherwise.
    void abort();

signals:
    void started();
    void progressChanged(double value);
    void progressMaximumChanged(double maximum);
    // Raised exactly once per run: by the end of a run, or by a start that was refused.
    void finished(Operation::State state, const QString& message);

protected:
    // Starts a run; false while one runs.
    bool begin();
    // Ends the run that is going on.
    void finish(State state, const QString& message = QString());
    // A start that cannot run at all (no port, nothing to do): one run that ends at once.
    void refuse(const QString& message);
    void setProgress(double value);
    void setProgressMaximum(double maximum);

    virtual void onAbort() = 0;

private:
    State m_state = State::Idle;
    QString m_message;
    double m_progress = 0;
    double m_progressMaximum = 0;
};
