#include "FlashFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace boardsim {

namespace {

std::string errnoText(const std::string& what) { return what + ": " + std::strerror(errno); }

bool writeAll(int fd, const uint8_t* data, std::size_t n) {
    while (n > 0) {
        const ssize_t done = ::write(fd, data, n);
        if (done < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += done;
        n -= static_cast<std::size_t>(done);
    }
    return true;
}

} // namespace

FlashFile::Loaded FlashFile::load(std::size_t capacity) const {
    Loaded result;
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) {
            result.error = errnoText(m_path);
        }
        return result;
    }
    result.found = true;
    uint8_t buf[4096];
    bool tooLong = false;
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            result.error = errnoText(m_path);
            break;
        }
        if (n == 0) {
            break;
        }
        const std::size_t room = capacity - result.bytes.size();
        const std::size_t take = std::min(room, static_cast<std::size_t>(n));
        result.bytes.insert(result.bytes.end(), buf, buf + take);
        if (take < static_cast<std::size_t>(n)) {
            tooLong = true;
            break;
        }
    }
    ::close(fd);
    if (tooLong && result.error.empty()) {
        result.error = m_path + ": longer than " + std::to_string(capacity) + " bytes, cut";
    }
    return result;
}

std::string FlashFile::save(const std::vector<uint8_t>& bytes) const {
    const std::string temp = m_path + ".tmp" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return errnoText(temp);
    }
    if (!writeAll(fd, bytes.data(), bytes.size()) || ::fsync(fd) != 0) {
        const std::string error = errnoText(temp);
        ::close(fd);
        ::unlink(temp.c_str());
        return error;
    }
    if (::close(fd) != 0) {
        const std::string error = errnoText(temp);
        ::unlink(temp.c_str());
        return error;
    }
    if (::rename(temp.c_str(), m_path.c_str()) != 0) {
        const std::string error = errnoText(m_path);
        ::unlink(temp.c_str());
        return error;
    }
    return {};
}

} // namespace boardsim
