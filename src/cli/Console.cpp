#include "Console.h"

#include <QJsonDocument>

namespace {
constexpr qint64 kRedrawNs = 100'000'000;
const QByteArray kClearLine = QByteArrayLiteral("\r\033[K");
} // namespace

Console::Console(const Setup& setup) : m_setup(setup) {
}

void Console::write(std::FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

void Console::result(const QString& text) {
    if (m_setup.json || m_setup.quiet || text.isEmpty()) {
        return;
    }
    if (m_outputCarriesData && !m_setup.errIsTerminal) {
        return; // a script reading the data wants nothing else
    }
    endLine();
    write(m_outputCarriesData ? m_setup.err : m_setup.out, text.toUtf8() + '\n');
}

void Console::warning(const QString& text) {
    if (m_setup.json || m_setup.quiet || text.isEmpty()) {
        return;
    }
    endLine();
    write(m_setup.err, "tessarel-cli: " + text.toUtf8() + '\n');
}

void Console::note(const QString& text) {
    if (live() && !m_setup.json) {
        warning(text);
    }
}

void Console::error(const QString& text) {
    if (m_setup.json || text.isEmpty()) {
        return;
    }
    endLine();
    write(m_setup.err, "tessarel-cli: " + text.toUtf8() + '\n');
}

void Console::data(const QByteArray& bytes) {
    write(m_setup.out, bytes);
}

void Console::jsonObject(const QJsonObject& object) {
    if (m_setup.json) {
        endLine();
        write(m_setup.out, QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
    }
}

void Console::progress(const QString& what, qint64 doneBytes, qint64 totalBytes,
                       qint64 byteTimeNs) {
    if (!live()) {
        return;
    }
    const int percent = totalBytes > 0 ? int(doneBytes * 100 / totalBytes) : 100;
    if (m_lineShown && percent == m_lastPercent && m_sinceDrawn.isValid() &&
        m_sinceDrawn.nsecsElapsed() < kRedrawNs) {
        return;
    }
    m_lastPercent = percent;
    m_sinceDrawn.start();
    m_lineShown = true;
    write(m_setup.err,
          kClearLine + console::progressLine(what, doneBytes, totalBytes, byteTimeNs).toUtf8());
}

void Console::status(const QString& text) {
    if (!live()) {
        return;
    }
    m_lineShown = true;
    write(m_setup.err, kClearLine + text.toUtf8());
}

void Console::endLine() {
    if (m_lineShown) {
        m_lineShown = false;
        m_lastPercent = -1;
        write(m_setup.err, kClearLine);
    }
}

namespace console {

QString progressLine(const QString& what, qint64 doneBytes, qint64 totalBytes, qint64 byteTimeNs,
                     int width) {
    const qint64 done = qBound<qint64>(0, doneBytes, totalBytes);
    const int filled = totalBytes > 0 ? int(done * width / totalBytes) : width;
    const int percent = totalBytes > 0 ? int(done * 100 / totalBytes) : 100;
    const double leftS = double(totalBytes - done) * double(byteTimeNs) / 1e9;
    return QStringLiteral("%1  [%2%3]  %4/%5 bytes  %6 %  %7 s left")
        .arg(what)
        .arg(QString(filled, QLatin1Char('#')), QString(width - filled, QLatin1Char('-')))
        .arg(done)
        .arg(totalBytes)
        .arg(percent, 3)
        .arg(leftS, 0, 'f', 1);
}

} // namespace console
