#pragma once

#include <QString>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

// A raw pseudo-terminal pair: the test plays the board on the master side, the serial layer
// opens the slave path like any serial device.
class PtyPair {
public:
    PtyPair() : m_master(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0) {
            m_slavePath = QString::fromLocal8Bit(ptsname(m_master));
            // Held open so the master can be written while the port is closed.
            m_slave = ::open(ptsname(m_master), O_RDWR | O_NOCTTY);
        }
        termios t{};
        tcgetattr(m_slave, &t);
        cfmakeraw(&t); // one line discipline serves both ends
        tcsetattr(m_slave, TCSANOW, &t);
    }
    ~PtyPair() {
        ::close(m_master);
        ::close(m_slave);
    }
    Q_DISABLE_COPY(PtyPair)

    bool ok() const { return m_master >= 0 && m_slave >= 0; }
    QString slavePath() const { return m_slavePath; }
    int slaveFd() const { return m_slave; }

    bool write(const QByteArray& data) {
        qsizetype done = 0, n = 0;
        while (done < data.size() && (n >= 0 || errno == EINTR || errno == EAGAIN)) {
            n = ::write(m_master, data.constData() + done, size_t(data.size() - done));
            done += n > 0 ? n : 0;
        }
        return done == data.size();
    }

private:
    int m_master, m_slave = -1;
    QString m_slavePath;
};
