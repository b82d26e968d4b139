// tessarel-boardsim: the servo board on a pseudo-terminal, for use without hardware and in tests.

#include "BoardCore.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using boardsim::BoardConfig;
using boardsim::BoardCore;
using boardsim::BoardEvent;
using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

// 1 start, 8 data and 2 stop bits at 9600 baud.
constexpr nanoseconds kByteTime{11'000'000'000LL / 9600};
constexpr std::size_t kMaxBacklog = 1 << 20;

const char* const kUsage = R"(Usage: tessarel-boardsim [options]

Stands in for the servo board on a pseudo-terminal. The first line on stdout is the device
path to open; one line per event follows (or goes to --log).

Options:
  --attach N              also appear as the panel's port N (1..8): creates the link commN in
                          the port folder ($TESSAREL_PORT_DIR, else $XDG_RUNTIME_DIR/tessarel,
                          else /tmp/tessarel-<uid>) and removes it on exit
  --flash-file PATH       keep the flash in PATH across runs
  --log PATH              event log to PATH instead of stdout
  --pace                  pace both directions at 9600 baud, 8N2 (about 1.146 ms per byte)
  --transfer-timeout MS   give up a flash programming after MS ms of silence (default 1000,
                          0 waits for ever)
  --exit-after-ms MS      stop on its own after MS ms
  --help                  this text

Faults:
  --wrong-ack BYTE        answer BYTE instead of 255 every time
  --wrong-ack-once BYTE   answer BYTE instead of 255 once, then 255 again
  --wrong-ack-from N      leave the first N acknowledgements of a programming right
  --ack-after-wrong       follow each wrong byte with the real 255
  --mute-after K          no acknowledgement once K image bytes have arrived (0: none at all)
  --read-count N          a flash read announces N (0..65535) instead of the stored size
  --read-send N           a flash read sends N image bytes (default: what it announced)
  --debug-bytes B,B,...   unsolicited bytes to send
  --debug-every MS        send them every MS ms (default 0: once, at start)
  --hang-up-after K       close the pseudo-terminal once K bytes have arrived
  --ack-delay MS          send every acknowledgement MS ms late

Stops on SIGINT, SIGTERM or a line "quit" on stdin.
)";

struct Options {
    int attach = 0;
    std::string logPath;
    bool pace = false;
    std::optional<milliseconds> exitAfter;
    BoardConfig board;
};

[[noreturn]] void usageError(const std::string& message) {
    std::fprintf(stderr, "tessarel-boardsim: %s\nTry --help.\n", message.c_str());
    std::exit(2);
}

long long parseNumber(const std::string& option, const std::string& text, long long min,
                      long long max) {
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || value < min || value > max ||
        !std::isdigit(static_cast<unsigned char>(text[0]))) {
        usageError(option + " takes a whole number from " + std::to_string(min) + " to " +
                   std::to_string(max) + ", not \"" + text + "\"");
    }
    return value;
}

std::vector<uint8_t> parseByteList(const std::string& option, const std::string& text) {
    std::vector<uint8_t> bytes;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = text.find(',', from);
        const std::string item = text.substr(from, comma == std::string::npos ? comma : comma - from);
        bytes.push_back(static_cast<uint8_t>(parseNumber(option, item, 0, 255)));
        if (comma == std::string::npos) {
            return bytes;
        }
        from = comma + 1;
    }
}

Options parseOptions(int argc, char** argv) {
    constexpr long long kMaxMs = 24LL * 3600 * 1000;
    constexpr long long kMaxCount = 1LL << 40;
    Options options;
    boardsim::BoardFaults& faults = options.board.faults;
    bool wrongAckSeen = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                usageError(option + " needs a value");
            }
            return argv[++i];
        };
        if (option == "--help" || option == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (option == "--attach") {
            options.attach = static_cast<int>(parseNumber(option, value(), 1, 8));
        } else if (option == "--flash-file") {
            options.board.flashFile = value();
            if (options.board.flashFile.empty()) {
                usageError("--flash-file needs a path");
            }
        } else if (option == "--log") {
            options.logPath = value();
        } else if (option == "--pace") {
            options.pace = true;
        } else if (option == "--transfer-timeout") {
            options.board.transferTimeout = milliseconds{parseNumber(option, value(), 0, kMaxMs)};
        } else if (option == "--exit-after-ms") {
            options.exitAfter = milliseconds{parseNumber(option, value(), 0, kMaxMs)};
        } else if (option == "--wrong-ack" || option == "--wrong-ack-once") {
            if (wrongAckSeen) {
                usageError("give only one of --wrong-ack and --wrong-ack-once");
            }
            wrongAckSeen = true;
            faults.wrongAck = static_cast<uint8_t>(parseNumber(option, value(), 0, 255));
            faults.wrongAckOnce = option == "--wrong-ack-once";
        } else if (option == "--wrong-ack-from") {
            faults.wrongAckFrom = static_cast<int>(parseNumber(option, value(), 0, 1 << 20));
        } else if (option == "--ack-after-wrong") {
            faults.ackAfterWrong = true;
        } else if (option == "--mute-after") {
            faults.muteAfterImageBytes = static_cast<std::size_t>(parseNumber(option, value(), 0, kMaxCount));
        } else if (option == "--read-count") {
            faults.readCount = static_cast<uint16_t>(parseNumber(option, value(), 0, 65535));
        } else if (option == "--read-send") {
            faults.readSend = static_cast<std::size_t>(parseNumber(option, value(), 0, 1 << 20));
        } else if (option == "--debug-bytes") {
            faults.debugBytes = parseByteList(option, value());
        } else if (option == "--debug-every") {
            faults.debugEvery = milliseconds{parseNumber(option, value(), 0, kMaxMs)};
        } else if (option == "--hang-up-after") {
            faults.hangUpAfterBytes = static_cast<uint64_t>(parseNumber(option, value(), 0, kMaxCount));
        } else if (option == "--ack-delay") {
            faults.ackDelay = milliseconds{parseNumber(option, value(), 0, kMaxMs)};
        } else {
            usageError("unknown option \"" + option + "\"");
        }
    }
    if ((faults.wrongAckFrom != 0 || faults.ackAfterWrong) && !faults.wrongAck) {
        usageError("--wrong-ack-from and --ack-after-wrong need --wrong-ack or --wrong-ack-once");
    }
    if (faults.debugEvery.count() > 0 && faults.debugBytes.empty()) {
        usageError("--debug-every needs --debug-bytes");
    }
    return options;
}

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

bool setNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool makeRaw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        return false;
    }
    ::cfmakeraw(&tio);
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

std::string errnoText() { return std::strerror(errno); }

std::string portFolder() {
    if (const char* dir = std::getenv("TESSAREL_PORT_DIR"); dir && *dir) {
        return dir;
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        return std::string(runtime) + "/tessarel";
    }
    return "/tmp/tessarel-" + std::to_string(::getuid());
}

// Creates the folder and any missing parents (0700); the folder itself must be ours, since
// whoever owns it decides where the panel's port links lead.
std::string ensureFolder(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (!prefix.empty() && ::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            return prefix + ": " + errnoText();
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0) {
        return path + ": " + errnoText();
    }
    if (!S_ISDIR(st.st_mode)) {
        return path + ": not a folder";
    }
    if (st.st_uid != ::getuid()) {
        return path + ": belongs to another user";
    }
    return {};
}

std::string readLink(const std::string& path) {
    char buf[4096];
    const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
    return n < 0 ? std::string() : std::string(buf, static_cast<std::size_t>(n));
}

class Simulator {
public:
    explicit Simulator(Options options) : m_options(std::move(options)), m_core(m_options.board) {}

    ~Simulator() {
        detach();
        closePty();
        if (m_log && m_log != stdout) {
            std::fclose(m_log);
        }
    }

    // Returns an error text, empty when the simulator is ready.
    std::string start() {
        m_start = Clock::now();
        if (!m_options.logPath.empty() && m_options.logPath != "-") {
            m_log = std::fopen(m_options.logPath.c_str(), "w");
            if (!m_log) {
                return m_options.logPath + ": " + errnoText();
            }
        }
        if (std::string error = openPty(); !error.empty()) {
            return error;
        }
        if (m_options.attach > 0) {
            if (std::string error = attach(); !error.empty()) {
                return error;
            }
        }
        std::fprintf(stdout, "%s\n", m_slavePath.c_str());
        std::fflush(stdout);
        if (!m_link.empty()) {
            note("attached " + m_link);
        }
        m_core.setEventSink([this](const BoardEvent& event) { logLine(event.line()); });
        return {};
    }

    int run() {
        std::string reason = "quit";
        bool stdinOpen = true;
        std::string stdinLine;
        for (;;) {
            const nanoseconds now = elapsed();
            step(now);
            if (m_logBroken) {
                return 1; // nobody reads the log any more: the test that started us is gone
            }
            if (m_options.exitAfter && now >= *m_options.exitAfter) {
                reason = "time";
                break;
            }

            flushLog();
            pollfd fds[3]{};
            fds[0] = {g_signalPipe[0], POLLIN, 0};
            fds[1] = {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0};
            fds[2] = {m_master, 0, 0};
            if (m_master >= 0) {
                fds[2].events = POLLIN;
                if (outputWaiting(now)) {
                    fds[2].events |= POLLOUT;
                }
            }
            if (::poll(fds, 3, timeoutMs(now)) < 0 && errno != EINTR) {
                note("error poll " + errnoText());
                return 1;
            }
            // The line first: bytes that came before a stop request are still taken.
            if (fds[2].revents & POLLIN) {
                readMaster();
            }
            if (fds[0].revents & POLLIN) {
                reason = "signal";
                break;
            }
            if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
                if (!readStdin(stdinLine, stdinOpen)) {
                    break;
                }
            }
        }
        if (!m_options.pace && m_master >= 0) {
            readMaster();
        }
        flushOutput();
        note("exit " + reason);
        return 0;
    }

private:
    struct Timed {
        uint8_t byte;
        nanoseconds due;
    };

    nanoseconds elapsed() const { return Clock::now() - m_start; }

    static microseconds coreTime(nanoseconds t) {
        return std::chrono::duration_cast<microseconds>(t);
    }

    std::string openPty() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0) {
            return std::string("posix_openpt: ") + errnoText();
        }
        if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
            return std::string("pty: ") + errnoText();
        }
        const char* name = ::ptsname(m_master);
        if (!name) {
            return std::string("ptsname: ") + errnoText();
        }
        m_slavePath = name;
        // Held open for the whole run: without it, a panel closing the port would leave the
        // master hung up until the next open.
        m_slave = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_slave < 0) {
            return m_slavePath + ": " + errnoText();
        }
        // A fresh pty echoes and translates; the board's bytes must pass untouched.
        if (!makeRaw(m_master) || !makeRaw(m_slave)) {
            return std::string("raw mode: ") + errnoText();
        }
        if (!setNonBlocking(m_master) || ::fcntl(m_master, F_SETFD, FD_CLOEXEC) != 0) {
            return std::string("pty flags: ") + errnoText();
        }
        return {};
    }

    void closePty() {
        if (m_master >= 0) {
            ::close(m_master);
            m_master = -1;
        }
        if (m_slave >= 0) {
            ::close(m_slave);
            m_slave = -1;
        }
    }

    std::string attach() {
        const std::string folder = portFolder();
        if (std::string error = ensureFolder(folder); !error.empty()) {
            return error;
        }
        const std::string link = folder + "/comm" + std::to_string(m_options.attach);
        struct stat st{};
        if (::lstat(link.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                return link + ": exists and is not a link; not touching it";
            }
            std::fprintf(stderr, "tessarel-boardsim: replacing %s (was %s)\n", link.c_str(),
                         readLink(link).c_str());
        }
        // Made aside and renamed into place, so the panel never sees a half-made link.
        const std::string temp = link + ".tmp" + std::to_string(::getpid());
        ::unlink(temp.c_str());
        if (::symlink(m_slavePath.c_str(), temp.c_str()) != 0) {
            return temp + ": " + errnoText();
        }
        if (::rename(temp.c_str(), link.c_str()) != 0) {
            const std::string error = link + ": " + errnoText();
            ::unlink(temp.c_str());
            return error;
        }
        m_link = link;
        return {};
    }

    void detach() {
        // Another simulator may have taken the port over since; its link stays.
        if (!m_link.empty() && readLink(m_link) == m_slavePath) {
            ::unlink(m_link.c_str());
        }
        m_link.clear();
    }

    void logLine(const std::string& line) {
        FILE* out = m_log ? m_log : stdout;
        if (std::fprintf(out, "%s\n", line.c_str()) < 0) {
            m_logBroken = m_logBroken || errno == EPIPE;
        }
    }

    // Lines go out in batches, before every wait: none is ever held back while the simulator
    // sleeps, and a burst of events costs one write instead of one per line.
    void flushLog() {
        if (std::fflush(m_log ? m_log : stdout) != 0) {
            m_logBroken = m_logBroken || errno == EPIPE;
        }
    }

    // A line of the simulator's own, in the same form as the board's events.
    void note(const std::string& text) {
        logLine(boardsim::formatTime(coreTime(elapsed())) + " " + text);
    }

    // Everything that is due by now, in the order it falls due.
    void step(nanoseconds now) {
        while (!m_input.empty() && m_input.front().due <= now) {
            const Timed in = m_input.front();
            m_input.pop_front();
            queueOutput(m_core.advanceTo(coreTime(in.due)), in.due);
            queueOutput(m_core.receive(&in.byte, 1), in.due);
            checkHangUp();
        }
        queueOutput(m_core.advanceTo(coreTime(now)), now);
        writeOutput(now);
    }

    void queueOutput(const BoardCore::Bytes& bytes, nanoseconds produced) {
        if (bytes.empty() || m_master < 0) {
            return;
        }
        if (!m_options.pace) {
            m_out.insert(m_out.end(), bytes.begin(), bytes.end());
        } else {
            for (const uint8_t byte : bytes) {
                m_outDue = std::max(m_outDue, produced) + kByteTime;
                m_paced.push_back({byte, m_outDue});
            }
        }
        const std::size_t backlog = m_out.size() + m_paced.size();
        if (backlog > kMaxBacklog) {
            // Nobody has read the line for a long while: a real line would have lost them too.
            note("line-full dropped " + std::to_string(backlog - kMaxBacklog));
            m_out.erase(m_out.begin(), m_out.begin() + static_cast<std::ptrdiff_t>(
                                                           std::min(m_out.size(), backlog - kMaxBacklog)));
            while (m_out.size() + m_paced.size() > kMaxBacklog) {
                m_paced.pop_front();
            }
        }
    }

    bool outputWaiting(nanoseconds now) const {
        return !m_out.empty() || (!m_paced.empty() && m_paced.front().due <= now);
    }

    void writeOutput(nanoseconds now) {
        while (m_master >= 0 && !m_out.empty()) {
            const ssize_t n = ::write(m_master, m_out.data(), m_out.size());
            if (n <= 0) {
                return;
            }
            m_out.erase(m_out.begin(), m_out.begin() + n);
        }
        while (m_master >= 0 && !m_paced.empty() && m_paced.front().due <= now) {
            if (::write(m_master, &m_paced.front().byte, 1) != 1) {
                return;
            }
            m_paced.pop_front();
        }
    }

    // Unpaced bytes are not held back at the end; paced ones still on their way are lost.
    void flushOutput() {
        if (m_master >= 0 && !m_out.empty()) {
            [[maybe_unused]] const ssize_t ignored = ::write(m_master, m_out.data(), m_out.size());
        }
    }

    void readMaster() {
        uint8_t buf[65536];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0) {
            return;
        }
        const nanoseconds now = elapsed();
        if (!m_options.pace) {
            queueOutput(m_core.advanceTo(coreTime(now)), now);
            queueOutput(m_core.receive(buf, static_cast<std::size_t>(n)), now);
            checkHangUp();
            writeOutput(now);
            return;
        }
        for (ssize_t i = 0; i < n; ++i) {
            m_inDue = std::max(m_inDue, now) + kByteTime;
            m_input.push_back({buf[i], m_inDue});
        }
    }

    void checkHangUp() {
        if (!m_core.hungUp() || m_master < 0) {
            return;
        }
        flushOutput();
        closePty();
        detach();
        m_input.clear();
        m_out.clear();
        m_paced.clear();
    }

    bool readStdin(std::string& pending, bool& open) {
        char buf[512];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            if (n == 0 || errno != EINTR) {
                open = false; // stdin at its end is no reason to stop: it may be /dev/null
            }
            return true;
        }
        pending.append(buf, static_cast<std::size_t>(n));
        for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
            std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) {
                line.pop_back();
            }
            if (line == "quit") {
                return false;
            }
        }
        return true;
    }

    int timeoutMs(nanoseconds now) const {
        std::optional<nanoseconds> due;
        const auto consider = [&due](nanoseconds t) { due = due ? std::min(*due, t) : t; };
        if (const auto core = m_core.nextDue()) {
            consider(*core);
        }
        if (!m_input.empty()) {
            consider(m_input.front().due);
        }
        // One already due waits for room on the line (POLLOUT), not for the clock.
        if (!m_paced.empty() && m_paced.front().due > now) {
            consider(m_paced.front().due);
        }
        if (m_options.exitAfter) {
            consider(*m_options.exitAfter);
        }
        if (!due) {
            return -1;
        }
        if (*due <= now) {
            return 0;
        }
        const auto wait = std::chrono::ceil<milliseconds>(*due - now).count();
        return static_cast<int>(std::min<long long>(wait, 60'000));
    }

    Options m_options;
    BoardCore m_core;
    Clock::time_point m_start;
    FILE* m_log = nullptr;
    bool m_logBroken = false;

    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
    std::string m_link;

    std::vector<uint8_t> m_out;     // unpaced, waiting for room on the line
    std::deque<Timed> m_paced;      // paced, each leaving at its time
    nanoseconds m_outDue{0};
    std::deque<Timed> m_input;      // paced, each taken when it has fully arrived
    nanoseconds m_inDue{0};
};

bool installSignals() {
    if (::pipe(g_signalPipe) != 0 || !setNonBlocking(g_signalPipe[0]) ||
        !setNonBlocking(g_signalPipe[1])) {
        return false;
    }
    struct sigaction action{};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    if (::sigaction(SIGINT, &action, nullptr) != 0 || ::sigaction(SIGTERM, &action, nullptr) != 0) {
        return false;
    }
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options options = parseOptions(argc, argv);
    if (!installSignals()) {
        std::fprintf(stderr, "tessarel-boardsim: signals: %s\n", std::strerror(errno));
        return 1;
    }
    Simulator simulator(std::move(options));
    if (const std::string error = simulator.start(); !error.empty()) {
        std::fprintf(stderr, "tessarel-boardsim: %s\n", error.c_str());
        return 1;
    }
    return simulator.run();
}
