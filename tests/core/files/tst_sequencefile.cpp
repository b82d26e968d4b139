#include "core/sequence/SequenceFile.h"
#include "core/sequence/StepLine.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <memory>

#include <sys/resource.h>

using namespace sequencefile;

Q_DECLARE_METATYPE(StopReason)

namespace {

// Gives its first N bytes, then fails, like a file that goes away while it is read.
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
        const qint64 n = std::min({maxSize, m_failAfter - m_readPos, m_content.size() - m_readPos});
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

QByteArray fileLine(int position, const QByteArray& ms = "500", const QByteArray& end = "\r\n") {
    return QByteArray::number(position).append('\t').repeated(kChannelCount) + ms + '\t' + end;
}

// Half degrees either side of 0, the ends of the range, a duration with a leading zero and a
// field after the thirteenth.
const QByteArray kOddLine = "129\t127\t0\t255\t" + QByteArray("128\t").repeated(8) + "0500\tx\r\n";

void row(const char* name, const QByteArray& bytes, int lines, StopReason reason = StopReason::None,
         bool cut = false) {
    QTest::newRow(name) << bytes << lines << reason << cut;
}

} // namespace

class TestSequenceFile : public QObject {
    Q_OBJECT

private slots:
    void savedBytes() {
        auto table = std::make_unique<SequenceTable>();
        QCOMPARE(encode(*table, 0), QByteArray());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Sequence1.dat"));
        QVERIFY(save(path, *table, kMaxLines).ok);
        (*table)[0] = {128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 500, 1};
        (*table)[1] = {0, 255, -1, 7, 0, 0, 0, 0, 0, 0, 0, 2147483647, -2147483647 - 1, 1};
        QVERIFY(save(path, *table, 2).ok); // shorter: the old bytes must not remain
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), fileLine(128) + "0\t255\t-1\t7\t0\t0\t0\t0\t0\t0\t0\t"
                                                 "2147483647\t-2147483648\t\r\n");
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"Sequence1.dat"});
    }

    // A file smaller than the write buffer once came out cut short yet reported as saved.
    void smallSaveOnFullDiskFailsAndKeepsOldFile() {
        auto table = std::make_unique<SequenceTable>();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("full.dat"));
        QVERIFY(save(path, *table, 1).ok);
        rlimit limit{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlimit small{64, limit.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const SaveResult result = save(path, *table, 3);
        setrlimit(RLIMIT_FSIZE, &limit);
        QVERIFY(!result.ok);
        QCOMPARE(QFileInfo(path).size(), qint64(QByteArray("0\t").repeated(13).size() + 2));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"full.dat"});
    }

    // The Load form's text; and what other programs write: a byte-order mark, a plus sign, a
    // fractional duration, which the line keeps as read and the table rounds half to even.
    void loadFormText() {
        QCOMPARE(parse(kOddLine).lines,
                 QStringList{"0.5 \u00B0\t-0.5 \u00B0\t-64 \u00B0\t63.5 \u00B0\t" +
                             QStringLiteral("0 \u00B0\t").repeated(8) + "0500  ms\t"});
        const LoadResult loaded =
            parse("\xEF\xBB\xBF+129\t" + QByteArray("128\t").repeated(11) + "20.5\t\r\n" +
                  QByteArray("128\t").repeated(12) + "+5\t\r\n");
        QCOMPARE(loaded.stopLine, -1);
        QCOMPARE(
            loaded.lines,
            QStringList({"0.5 \u00B0\t" + QStringLiteral("0 \u00B0\t").repeated(11) + "20.5  ms\t",
                         QStringLiteral("0 \u00B0\t").repeated(12) + "+5  ms\t"}));
        QCOMPARE((*stepline::ParseStepLine(loaded.lines[0]))[kDurationField], 20);
        QCOMPARE((*stepline::ParseStepLine(loaded.lines[1]))[kDurationField], 5);
    }

    void load_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("lines");
        QTest::addColumn<StopReason>("reason");
        QTest::addColumn<bool>("cut");
        using enum StopReason;
        const QByteArray a = fileLine(100);
        const QByteArray full = fileLine(255, "1000000").repeated(kMaxLines);
        row("CR LF, LF only, mixed", a + fileLine(-1, "20", "\n") + a, 3);
        row("no line end, no trailing TAB", a + fileLine(1, "20", "").chopped(1), 2);
        row("half degrees, extra field", kOddLine, 1);
        row("twelve values", a + a + a.chopped(7) + "\r\n", 2, TooFewFields);
        row("letter in a position", a + fileLine(100).replace("100", "1e2"), 1, NotANumber);
        row("NUL byte", a + fileLine(100, QByteArray("5\0", 2)), 1, NotANumber);
        row("32-bit limits", fileLine(-2147483647 - 1, "2147483647") + fileLine(2147483647), 2);
        row("one above 32 bits", a + fileLine(100, "2147483648"), 1, TooLarge);
        row("hundred digits", fileLine(100, QByteArray(100, '9')), 0, TooLarge);
        row("leading zeros fit", fileLine(100, QByteArray(100, '0') + "20"), 1);
        row("CR CR LF", a + fileLine(1, "20", "\r\r\n"), 1, StrayCarriageReturn);
        row("1024 lines and a blank one", full + "\r\n", kMaxLines);
        row("a bad line after the cut", full + "junk\r\n", kMaxLines, None, true);
    }
    void load() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, lines);
        QFETCH(StopReason, reason);
        QFETCH(bool, cut);
        QBuffer buffer(&bytes);
        const LoadResult loaded = sequencefile::load(buffer);
        QVERIFY(loaded.readable);
        QCOMPARE(loaded.lines.size(), lines);
        // The lines before the one that ends the load are loaded.
        QCOMPARE(loaded.stopLine, reason == StopReason::None ? -1 : lines);
        QCOMPARE(loaded.stopReason, reason);
        QCOMPARE(loaded.cutAtLimit, cut);
        // Every line loaded reads back as the numbers of its file line.
        for (int i = 0; i < lines; ++i) {
            const auto values = stepline::ParseStepLine(loaded.lines[i]);
            QVERIFY2(values, qPrintable(loaded.lines[i]));
            const QByteArrayList fields = bytes.split('\n')[i].split('\t');
            for (int k = 0; k <= kDurationField; ++k) {
                QCOMPARE((*values)[k], fields[k].trimmed().toInt());
            }
        }
    }

    void readFailureLoadsNothing() {
        FailingDevice device(100, fileLine(1).repeated(10));
        QVERIFY(device.open(QIODevice::ReadOnly));
        const LoadResult failed = sequencefile::load(device);
        QVERIFY(!failed.readable && !failed.error.isEmpty() && failed.lines.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSequenceFile)
#include "tst_sequencefile.moc"
