#pragma once

#include <QByteArray>
#include <QIODevice>

#include <algorithm>

// A device that gives its first N bytes and then fails, like a file that goes away while it
// is read.
class FailingDevice : public QIODevice {
public:
    FailingDevice(qint64 failAfter, QByteArray content)
        : m_failAfter(failAfter), m_content(std::move(content)) {}

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (m_readPos >= m_failAfter) {
            setErrorString(QStringLiteral("read failure injected"));
            return -1;
        }
        const qint64 n =
            std::min({maxSize, m_failAfter - m_readPos, qint64(m_content.size()) - m_readPos});
        std::copy_n(m_content.constData() + m_readPos, n, data);
        m_readPos += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 m_failAfter;
    QByteArray m_content;
    qint64 m_readPos = 0;
};
