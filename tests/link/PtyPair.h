#pragma once

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal pair in raw mode: the test plays the board on the master side, the
// serial layer opens the slave path like any serial device.
class PtyPair {
public:
    PtyPair() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
            return;
        }
        const char* name = ptsname(m_master);
        if (!name) {
            return;
        }
        m_slavePath = QString::fromLocal8Bit(name);
        makeRaw(m_master);
        // Held open so the master can be read and written while the port is closed.
        m_slave = ::open(name, O_RDWR | O_NOCTTY);
        if (m_slave >= 0) {
            makeRaw(m_slave);
        }
        fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() {
        hangUp();
        if (m_slave >= 0) {
            ::close(m_slave);
        }
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return m_master >= 0 && m_slave >= 0 && !m_slavePath.isEmpty(); }
    QString slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }
    int slaveFd() const { return m_slave; }

    bool write(const QByteArray& data) {
        qsizetype done = 0;
        while (done < data.size()) {
            const ssize_t n = ::write(m_master, data.constData() + done, size_t(data.size() - done));
            if (n < 0 && errno != EINTR && errno != EAGAIN) {
                return false;
            }
            done += n > 0 ? n : 0;
        }
        return true;
    }

    // What the serial layer has sent so far, gathered without blocking.
    QByteArray received() {
        char chunk[4096];
        while (m_master >= 0) {
            const ssize_t n = ::read(m_master, chunk, sizeof chunk);
            if (n <= 0) {
                break;
            }
            m_received.append(chunk, n);
        }
        return m_received;
    }

    // The far end goes away, as when the board's side of the line is closed.
    void hangUp() {
        if (m_master >= 0) {
            ::close(m_master);
            m_master = -1;
        }
    }

private:
    static void makeRaw(int fd) {
        termios t{};
        if (tcgetattr(fd, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(fd, TCSANOW, &t);
        }
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QByteArray m_received;
};
