#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QString>
#include <QtGlobal>

#include <cstdio>

// Where tessarel-cli's words go. Results on standard output, errors and warnings on standard
// error; a progress bar and the playing step only when standard error is a terminal, so a
// script sees nothing but results. With --json the result is one JSON object instead.
class Console {
public:
    struct Setup {
        std::FILE* out = stdout;
        std::FILE* err = stderr;
        bool errIsTerminal = false;
        bool json = false;
        bool quiet = false;
    };
    explicit Console(const Setup& setup);

    bool json() const { return m_setup.json; }
    // Standard output carries data (read's file): results go to standard error then.
    void setOutputCarriesData(bool carries) { m_outputCarriesData = carries; }

    void result(const QString& text);
    void warning(const QString& text);
    // A remark for a person watching (short steps, say): only on a terminal.
    void note(const QString& text);
    void error(const QString& text);
    void data(const QByteArray& bytes);
    void jsonObject(const QJsonObject& object);

    // A transfer's progress, redrawn in place at most every 100 ms and on each whole percent.
    void progress(const QString& what, qint64 doneBytes, qint64 totalBytes, qint64 byteTimeNs);
    // A line that replaces itself, such as the step playing.
    void status(const QString& text);
    // Clears the progress bar or status line, if one is shown.
    void endLine();

private:
    bool live() const { return m_setup.errIsTerminal && !m_setup.quiet; }
    void write(std::FILE* stream, const QByteArray& bytes);

    Setup m_setup;
    bool m_outputCarriesData = false;
    bool m_lineShown = false;
    int m_lastPercent = -1;
    QElapsedTimer m_sinceDrawn;
};

namespace console {
// "Programming  [#######-------------]  5120/14339 bytes  35 %  10.6 s left": the bar is
// width characters, the time left is the line's time for the bytes still to go.
QString progressLine(const QString& what, qint64 doneBytes, qint64 totalBytes, qint64 byteTimeNs,
                     int width = 24);
} // namespace console
