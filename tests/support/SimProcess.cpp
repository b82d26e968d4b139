#include "SimProcess.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QRegularExpression>
#include <QTimer>

#include <utility>

#ifndef TESSAREL_BOARDSIM_PATH
#error "TESSAREL_BOARDSIM_PATH must name the built tessarel-boardsim"
#endif

SimProcess::SimProcess(QObject* parent)
    : QObject(parent), m_environment(QProcessEnvironment::systemEnvironment()) {
    m_process.setProgram(QStringLiteral(TESSAREL_BOARDSIM_PATH));
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &SimProcess::takeOutput);
    connect(&m_process, &QProcess::readyReadStandardError, this,
            [this] { m_stderr += m_process.readAllStandardError(); });
}

SimProcess::~SimProcess() {
    if (running()) {
        stop(5000);
    }
}

void SimProcess::setEnvironmentValue(const QString& name, const QString& value) {
    m_environment.insert(name, value);
}

bool SimProcess::start(const QStringList& options, int timeoutMs) {
    m_error.clear();
    m_lines.clear();
    m_times.clear();
    m_partial.clear();
    m_stderr.clear();
    m_device.clear();
    m_haveDevice = false;
    m_process.setProcessEnvironment(m_environment);
    m_process.setArguments(options);
    m_process.start(QIODevice::ReadWrite);
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("%1 did not start: %2")
                      .arg(m_process.program(), m_process.errorString());
        return false;
    }
    if (pumpUntil([this] { return m_haveDevice || !running(); }, timeoutMs) && m_haveDevice) {
        return true;
    }
    m_stderr += m_process.readAllStandardError();
    m_error = running() ? QStringLiteral("no device path within %1 ms").arg(timeoutMs)
                        : QStringLiteral("ended with code %1: %2")
                              .arg(m_process.exitCode())
                              .arg(QString::fromLocal8Bit(m_stderr).trimmed());
    m_process.kill();
    m_process.waitForFinished(timeoutMs);
    return false;
}

int SimProcess::waitForLine(const QString& text, int from, int timeoutMs) {
    return waitForLine([&text](const QString& line) { return line == text; }, from, timeoutMs);
}

int SimProcess::waitForLine(const std::function<bool(const QString&)>& match, int from,
                            int timeoutMs) {
    int next = qMax(from, 0);
    const auto found = [&] {
        for (; next < m_lines.size(); ++next) {
            if (match(m_lines.at(next))) {
                return true;
            }
        }
        return false;
    };
    return pumpUntil(found, timeoutMs) ? next : -1;
}

bool SimProcess::stop(int timeoutMs) {
    if (running()) {
        m_process.write("quit\n");
    }
    return waitForExit(timeoutMs);
}

bool SimProcess::terminate(int timeoutMs) {
    if (running()) {
        m_process.terminate();
    }
    return waitForExit(timeoutMs);
}

bool SimProcess::waitForExit(int timeoutMs) {
    if (!pumpUntil([this] { return !running(); }, timeoutMs)) {
        m_error = QStringLiteral("still running after %1 ms; killed").arg(timeoutMs);
        m_process.kill();
        m_process.waitForFinished(timeoutMs);
        return false;
    }
    takeOutput();
    m_stderr += m_process.readAllStandardError();
    return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

void SimProcess::takeOutput() {
    // "12.000345 channel 9 200": the text after the stamp is what tests look for.
    static const QRegularExpression stamped(QStringLiteral("^([0-9.]+) (.*)$"));
    m_partial += m_process.readAllStandardOutput();
    for (qsizetype nl; (nl = m_partial.indexOf('\n')) >= 0; m_partial.remove(0, nl + 1)) {
        const QString line = QString::fromUtf8(m_partial.left(nl));
        if (!std::exchange(m_haveDevice, true)) {
            m_device = line;
            continue;
        }
        const QRegularExpressionMatch m = stamped.match(line);
        m_lines << (m.hasMatch() ? m.captured(2) : line);
        m_times << (m.hasMatch() ? m.captured(1).toDouble() : -1.0);
    }
}

bool SimProcess::pumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&m_process, &QProcess::readyReadStandardOutput, &loop, &QEventLoop::quit);
    connect(&m_process, &QProcess::finished, &loop, &QEventLoop::quit);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        timer.start(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        loop.exec();
    }
    return true;
}
