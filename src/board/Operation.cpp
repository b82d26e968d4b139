#include "Operation.h"

Operation::Operation(QObject* parent) : QObject(parent) {
}

void Operation::abort() {
    if (isRunning()) {
        onAbort();
    }
}

bool Operation::begin() {
    if (isRunning()) {
        return false;
    }
    m_state = State::Running;
    m_message.clear();
    emit started();
    return true;
}

void Operation::finish(State state, const QString& message) {
    if (!isRunning()) {
        return;
    }
    m_state = state;
    m_message = message;
    emit finished(state, message);
}

void Operation::refuse(const QString& message) {
    if (isRunning()) {
        return;
    }
    m_state = State::Failed;
    m_message = message;
    emit finished(m_state, message);
}

void Operation::setProgress(double value) {
    m_progress = value;
    emit progressChanged(value);
}

void Operation::setProgressMaximum(double maximum) {
    m_progressMaximum = maximum;
    emit progressMaximumChanged(maximum);
}
