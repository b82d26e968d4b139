// Plays an arbitrary board against the receive path. The first three bytes put the board layer
// in one of its waits (see Setup), the rest is a script of board bytes in chunks, delivered
// through the event loop, with aborts, a lost and reopened port and new starts in between.
// Nothing may crash or hang; every run ends exactly once and leaves the line free; board bytes
// reach the echo only while no transfer runs; a read's image is exactly the bytes that followed
// its count, and only the exact image passes a verify; and the board layer leaves the list alone.
#include "FuzzCheck.h"

#include "board/Board.h"
#include "board/FlashProgram.h"
#include "board/FlashRead.h"
#include "board/FlashVerify.h"
#include "core/flash/FlashImage.h"
#include "core/sequence/SequenceEditor.h"
#include "link/LinkRig.h"
#include "support/ProgramSteps.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

// Bytes past the end of the script read as 0.
class Script {
public:
    Script(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool done() const { return m_at >= m_size; }
    std::uint8_t next() { return done() ? 0 : m_data[m_at++]; }
    QByteArray take(std::size_t count) {
        count = std::min(count, m_size - std::min(m_at, m_size));
        const QByteArray bytes(reinterpret_cast<const char*>(m_data + m_at), qsizetype(count));
        m_at += count;
        return bytes;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

enum class Setup {
    Idle,
    ProgramCount, // waiting for the acknowledgement of the count
    ProgramBlock, // waiting for a block's acknowledgement
    ReadCount,
    ReadImage, // the count has come
    VerifyCount,
    VerifyImage,
    ProgramCountAborted,
    ProgramBlockAborted,
    ReadCountAborted,
    ReadImageAborted,
    VerifyImageAborted,
    VerifyCountAborted,
    Count
};

// A step of the script: the op in a byte's top three bits, its argument in the low five.
enum Op : std::uint8_t {
    Chunk,     // argument + 1 bytes from the script arrive, and the event loop comes to rest
    Unsettled, // the same, left waiting in the event queue
    Fill,      // argument * 256 + the next byte + 1 bytes, all the byte after that
    Abort,     // the program, read or verify (argument % 3); with 8 the loop is not run after
    Lose,      // the device goes (with 8 the loop is not run after; with 16 as a write is made)
    Reopen,    // the port chosen again
    Start,     // the program, read or verify (argument % 3)
    Pump,      // argument + 1 turns of the event loop; 31: the front end goes away
};
enum Which { ProgramOp, ReadOp, VerifyOp };

// Enough for a whole flash and its count while a read waits for it. Any other byte costs a turn
// of the event loop on its way to the echo, and a few hundred of them show all there is.
constexpr qsizetype kMaxInjected = 16000;
constexpr qsizetype kMaxEchoed = 512;

struct Rig {
    explicit Rig(int lines) : steps(lines) {
        openNormal(serial);
        editor.replaceAll(programSteps(lines));
        listed = list.lines();
        port->onWrite = [this](const QByteArray& bytes) {
            check(board.link().lineBusy()); // only a transfer writes here
            written += bytes;
            if (loseAtWrite > 0 && --loseAtWrite == 0) {
                lose(); // the device goes in the middle of a block
            }
        };
        QObject::connect(port, &FakeTransport::readyRead, [this] { ++activity; });
        QObject::connect(&serial, &SerialControl::OnComm, [this] { ++activity; });
        QObject::connect(&serial, &SerialControl::closed, [this] { ++activity; });
        QObject::connect(&board, &Board::echo, [this](const QString& text) {
            ++activity;
            const bool boardByte =
                !text.isEmpty() && text != Board::kError && text != Board::kOverflow;
            check(!boardByte || !board.transfer());
        });
        watch(program, ProgramOp);
        watch(read, ReadOp);
        watch(verify, VerifyOp);
        watch(verify.read(), VerifyOp);
    }

    // An outer operation ends each start once, refused or run; the verify's own read is never
    // refused, so each of its runs begins and ends.
    struct Runs {
        int calls = 0;
        int begun = 0;
        int finishes = 0;
        bool inRun = false;
    };

    void watch(const Operation& op, Which which) {
        Runs& runs = runsOf(op);
        QObject::connect(&op, &Operation::started, [this, &runs, which] {
            ++activity;
            check(!runs.inRun);
            runs.inRun = true;
            ++runs.begun;
            if (which != ProgramOp) {
                fed.clear();
                lostInRead = false;
            }
            written.clear();
        });
        QObject::connect(&op, &Operation::finished,
                         [this, &op, &runs, which](Operation::State state, const QString& text) {
                             ++activity;
                             check(runs.inRun || (starting && &runs != &verifyReadRuns));
                             runs.inRun = false;
                             ++runs.finishes;
                             check(op.state() == state && op.message() == text);
                             check(!board.transfer() && !board.link().lineBusy());
                             check(list.lines() == listed);
                             ended(op, which, state, text);
                         });
    }
    Runs& runsOf(const Operation& op) {
        return &op == &program  ? programRuns
               : &op == &read   ? readRuns
               : &op == &verify ? verifyRuns
                                : verifyReadRuns;
    }

    void ended(const Operation& op, Which which, Operation::State state, const QString& text) {
        using State = Operation::State;
        if (which == ProgramOp) {
            const qsizetype sent = written.size() - 3;
            if (state == State::Done) {
                check(text == FlashProgram::kProgrammed && sent == programLines * kFlashStepBytes);
            } else if (state == State::Aborted && !board.closing()) {
                check(text == (sent <= 0 ? QStringLiteral("ACK !!!")
                                         : QStringLiteral("ACK %1").arg(sent - 1)));
            }
            return;
        }
        const FlashRead& r = &op == &read ? read : verify.read();
        if (&op == &verify) {
            // Only the exact image, announced as such, is the list.
            const QByteArray exchange = programExchange(steps).mid(1);
            const bool exact = state == State::Done && fed.left(exchange.size()) == exchange &&
                               verify.read().byteCount() == exchange.size() - 2;
            check(exact == text.startsWith(QStringLiteral("The board's flash holds")));
            return;
        }
        if (!board.closing()) {
            check(serial.inputLen() == 1 && serial.rThreshold() == 1);
        }
        const quint32 announced = fed.size() < 2 ? 0 : quint8(fed.at(0)) * 256u + quint8(fed.at(1));
        const qint32 kept = qMin<qint32>(qint32(announced), kFlashImageMax);
        if (state == State::Done) {
            check(r.hasImage() && !lostInRead && fed.size() >= 2 + kept);
            check(r.byteCount() == kept);
        } else if (r.hasImage()) {
            check(state == State::Aborted && announced > quint32(kFlashImageMax));
            check(r.byteCount() <= kept && (!lostInRead || r.byteCount() == 0));
        }
        if (r.hasImage()) {
            const QByteArray image(reinterpret_cast<const char*>(r.image().data()), r.byteCount());
            check(image == fed.mid(2, r.byteCount()));
            const bool rows = flashimage::readRows(r.byteCount()) > 0;
            check(text == (rows ? FlashRead::kRead : FlashRead::kNothingToRead));
        } else {
            check(state != State::Done);
        }
    }

    // Runs the event loop until it comes to rest; a receive path that never does is a fault.
    void settle() {
        for (int quiet = 0, round = 0; quiet < 2; ++round) {
            check(round < 64 + 4 * injected);
            const quint64 before = activity;
            QCoreApplication::processEvents();
            quiet = activity == before ? quiet + 1 : 0;
        }
        check(list.count() == listed.size()); // each line is compared when a run ends
        if (!board.transfer()) {
            check(!board.link().lineBusy());
            check(board.closing() || !serial.portOpen() || serial.inBufferCount() == 0);
        }
    }

    void inject(const QByteArray& bytes) {
        const bool reading =
            board.transfer() && board.transfer()->activity() == interlock::FlashRead;
        if (injected + bytes.size() > (reading ? kMaxInjected : kMaxEchoed) || !port->isOpen()) {
            return;
        }
        injected += bytes.size();
        fed += bytes;
        port->inject(bytes);
    }

    // As the window starts one: when the interlock lets it, from an event loop at rest.
    void start(Which which) {
        settle();
        const interlock::Command commands[] = {
            interlock::Command::Program, interlock::Command::Read, interlock::Command::Verify};
        if (board.closing() || !board.decide(commands[which]).runs()) {
            return;
        }
        auto table = std::make_unique<SequenceTable>();
        for (int s = 0; s < list.count(); ++s) {
            (*table)[size_t(s)] = editor.step(s);
        }
        starting = true;
        if (which == ProgramOp && !program.isRunning()) {
            ++programRuns.calls;
            programLines = list.count();
            program.start(*table, list.count(), false);
        } else if (which == ReadOp && !read.isRunning()) {
            ++readRuns.calls;
            read.start();
        } else if (which == VerifyOp && !verify.isRunning()) {
            ++verifyRuns.calls;
            verify.start(*table, list.count(), QLocale::c());
        }
        starting = false;
        settle();
    }

    // As the window opens a port chosen again: closed first, what waited discarded.
    void reopen() {
        if (!board.decide(interlock::Command::ChoosePort).runs()) {
            return;
        }
        serial.setPortOpen(false);
        openNormal(serial);
        board.link().forgetPositions();
    }

    void abort(Which which) {
        Operation* ops[] = {&program, &read, &verify};
        ops[which]->abort();
    }

    void lose() {
        lostInRead = true;
        port->loseDevice(QStringLiteral("gone"));
    }

    void finish() {
        for (Which which : {ProgramOp, ReadOp, VerifyOp}) {
            abort(which);
        }
        settle();
        for (const Runs* runs : {&programRuns, &readRuns, &verifyRuns}) {
            check(!runs->inRun && runs->finishes == runs->calls && runs->begun <= runs->calls);
        }
        check(!verifyReadRuns.inRun && verifyReadRuns.finishes == verifyReadRuns.begun);
        check(!board.transfer() && !board.link().lineBusy() && list.lines() == listed);
    }

    FakeTransport* port = new FakeTransport; // owned by the serial control
    SerialControl serial{std::unique_ptr<SerialTransport>(port),
                         [](int n) { return QStringLiteral("/dev/fake%1").arg(n); }};
    SequenceList list;
    SequenceEditor editor{list};
    Board board{serial, editor};
    FlashProgram program{board};
    FlashRead read{board};
    FlashVerify verify{board};

    int steps;
    int programLines = 0;
    QStringList listed; // the window stores a read; the board layer never touches the list
    Runs programRuns, readRuns, verifyRuns, verifyReadRuns;
    bool starting = false;
    quint64 activity = 0;
    qsizetype injected = 0;
    QByteArray fed;     // board bytes since the last read began
    QByteArray written; // bytes written since the last run began
    bool lostInRead = false;
    int loseAtWrite = 0; // the port goes as this write is made
};

int linesFor(Setup setup, std::uint8_t p) {
    switch (setup) {
    case Setup::ProgramCount:
    case Setup::ProgramCountAborted:
        return p % 40;
    case Setup::ProgramBlock:
    case Setup::ProgramBlockAborted:
        return 19 + p % 110; // two blocks to 128 steps, whose last block ends with the image
    default:
        return 1 + p % 8;
    }
}

void prepare(Rig& rig, Setup setup, std::uint8_t p, std::uint8_t q) {
    switch (setup) {
    case Setup::ProgramCount:
    case Setup::ProgramCountAborted:
        rig.start(ProgramOp);
        break;
    case Setup::ProgramBlock:
    case Setup::ProgramBlockAborted: {
        rig.start(ProgramOp);
        const int bytes = rig.steps * kFlashStepBytes;
        for (int k = 1 + q % (bytes / 256); k > 0; --k) {
            rig.inject(QByteArray(1, char(0xff)));
            rig.settle();
        }
        check(rig.program.isRunning());
        break;
    }
    case Setup::ReadCount:
    case Setup::ReadCountAborted:
        rig.start(ReadOp);
        break;
    case Setup::ReadImage:
    case Setup::ReadImageAborted:
        rig.start(ReadOp);
        rig.inject(QByteArray(1, char(p)) + char(q));
        rig.settle();
        break;
    case Setup::VerifyCount:
    case Setup::VerifyCountAborted:
        rig.start(VerifyOp);
        break;
    case Setup::VerifyImage:
    case Setup::VerifyImageAborted:
        rig.start(VerifyOp);
        rig.inject(programExchange(rig.steps).mid(1, 2));
        rig.settle();
        break;
    default:
        break;
    }
    switch (setup) {
    case Setup::ProgramCountAborted:
    case Setup::ProgramBlockAborted:
    case Setup::ReadCountAborted:
    case Setup::ReadImageAborted:
    case Setup::VerifyImageAborted:
    case Setup::VerifyCountAborted:
        rig.abort(setup <= Setup::ProgramBlockAborted  ? ProgramOp
                  : setup >= Setup::VerifyImageAborted ? VerifyOp
                                                       : ReadOp);
        rig.settle();
        break;
    default:
        break;
    }
}

void play(Rig& rig, Script& script) {
    while (!script.done()) {
        const std::uint8_t b = script.next();
        const int arg = b & 31;
        switch (Op(b >> 5)) {
        case Chunk:
            rig.inject(script.take(std::size_t(arg) + 1));
            rig.settle();
            break;
        case Unsettled: // arrives later: after an abort, a loss or a start, maybe
            rig.inject(script.take(std::size_t(arg) + 1));
            break;
        case Fill: {
            const int count = arg * 256 + script.next() + 1;
            rig.inject(QByteArray(count, char(script.next())));
            rig.settle();
            break;
        }
        case Abort:
            rig.abort(Which(arg % 3));
            if (!(arg & 8)) {
                rig.settle();
            }
            break;
        case Lose:
            if (arg & 16) {
                rig.loseAtWrite = 1 + (arg & 7) * 40;
                break;
            }
            rig.lose();
            if (!(arg & 8)) {
                rig.settle();
            }
            break;
        case Reopen:
            rig.reopen();
            rig.settle();
            break;
        case Start:
            rig.start(Which(arg % 3));
            break;
        case Pump:
            if (arg == 31) {
                rig.board.shutDown();
                rig.settle();
            } else {
                for (int i = 0; i <= arg; ++i) {
                    QCoreApplication::processEvents();
                }
            }
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static int argc = 1;
    static char name[] = "fuzz_receive";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Script script(data, size);
    const auto setup = Setup(script.next() % int(Setup::Count));
    const std::uint8_t p = script.next();
    const std::uint8_t q = script.next();
    {
        Rig rig(linesFor(setup, p));
        prepare(rig, setup, p, q);
        play(rig, script);
        rig.finish();
    }
    QCoreApplication::processEvents(); // what the rig left queued goes with it
    return 0;
}
