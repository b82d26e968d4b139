#include "FailingDevice.h"
#include "core/sequence/SequenceFile.h"
#include "core/sequence/StepLine.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using sequencefile::StopReason;

Q_DECLARE_METATYPE(StopReason)

namespace {

// One file line of thirteen values from a compact description.
QByteArray fileLine(int position, const QByteArray& duration = "500",
                    const QByteArray& end = "\r\n") {
    QByteArray line;
    for (int k = 0; k < kChannelCount; ++k) {
        line += QByteArray::number(position) + '\t';
    }
    return line + duration + '\t' + end;
}

QByteArray repeatLines(int count) {
    QByteArray bytes;
    for (int i = 0; i < count; ++i) {
        bytes += fileLine(i % 256, QByteArray::number(20 * (i + 1)));
    }
    return bytes;
}

std::unique_ptr<SequenceTable> randomTable(int rows, quint32 seed) {
    auto table = std::make_unique<SequenceTable>();
    QRandomGenerator rng(seed);
    for (int i = 0; i < rows; ++i) {
        for (int k = 0; k < kChannelCount; ++k) {
            (*table)[i][k] = rng.bounded(256);
        }
        (*table)[i][kDurationField] = rng.bounded(1'000'001);
        (*table)[i][kBreakField] = 1; // never written
    }
    return table;
}

} // namespace

class TestSequenceFile : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void dialogSettings() {
        QCOMPARE(
            sequencefile::kFilter,
            QStringLiteral("Data Files (*.dat)|*.dat|Text Files(*.txt)|*.txt|All Files (*.*)|*.*"));
        QCOMPARE(sequencefile::proposedName(1), QStringLiteral("Sequence1"));
        QCOMPARE(sequencefile::proposedName(-32768), QStringLiteral("Sequence-32768"));
    }

    void encodeExactBytes() {
        auto table = std::make_unique<SequenceTable>();
        QCOMPARE(sequencefile::encode(*table, 0), QByteArray());
        (*table)[0].fill(128);
        (*table)[0][kDurationField] = 500;
        (*table)[0][kBreakField] = 1;
        (*table)[1] = {0, 255, -1, 7, 0, 0, 0, 0, 0, 0, 0, 2147483647, -2147483647 - 1, 1};
        QCOMPARE(sequencefile::encode(*table, 1), fileLine(128));
        QCOMPARE(sequencefile::encode(*table, 2),
                 fileLine(128) +
                     "0\t255\t-1\t7\t0\t0\t0\t0\t0\t0\t0\t2147483647\t-2147483648\t\r\n");
    }

    void writeToFailingDevice_data() {
        QTest::addColumn<qint64>("failAfter");
        QTest::addColumn<bool>("ok");
        const qint64 size = sequencefile::encode(*randomTable(10, 1), 10).size();
        QTest::newRow("fails at once") << qint64(0) << false;
        QTest::newRow("fails after one byte") << qint64(1) << false;
        QTest::newRow("fails mid line") << qint64(50) << false;
        QTest::newRow("fails one byte short") << size - 1 << false;
        QTest::newRow("room for all") << size << true;
    }
    void writeToFailingDevice() {
        QFETCH(qint64, failAfter);
        QFETCH(bool, ok);
        const auto table = randomTable(10, 1);
        FailingDevice device(failAfter);
        QVERIFY(device.open(QIODevice::WriteOnly));
        const sequencefile::SaveResult result = sequencefile::write(device, *table, 10);
        QCOMPARE(result.ok, ok);
        QCOMPARE(result.error.isEmpty(), ok);
        if (ok) {
            QCOMPARE(device.written(), sequencefile::encode(*table, 10));
        }
    }

    void saveReplacesExistingFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Sequence1.dat"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(5000, 'x'));
        old.close();
        const auto table = randomTable(3, 2);
        QVERIFY(sequencefile::save(path, *table, 3).ok);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), sequencefile::encode(*table, 3));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Sequence1.dat"});
    }

    void saveFailureReportsAndKeepsFiles() {
        QTemporaryDir dir;
        const auto table = randomTable(3, 3);
        // A directory in the way: nothing can be renamed over it.
        const QString blocked = dir.filePath(QStringLiteral("blocked.dat"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("blocked.dat")));
        const sequencefile::SaveResult r1 = sequencefile::save(blocked, *table, 3);
        QVERIFY(!r1.ok);
        QVERIFY(r1.error.contains(QStringLiteral("blocked.dat")));
        QVERIFY(QFileInfo(blocked).isDir());

        const QString missing = dir.filePath(QStringLiteral("no/such/dir/x.dat"));
        const sequencefile::SaveResult r2 = sequencefile::save(missing, *table, 3);
        QVERIFY(!r2.ok);
        QVERIFY(!r2.error.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }

    void roundTrip_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("comma");
        QTest::newRow("empty") << 0 << false;
        QTest::newRow("one step") << 1 << false;
        QTest::newRow("full list") << kMaxLines << false;
        QTest::newRow("full list, comma locale") << kMaxLines << true;
    }
    void roundTrip() {
        QFETCH(int, rows);
        QFETCH(bool, comma);
        if (comma) {
            QLocale::setDefault(QLocale(QLocale::German));
        }
        auto table = randomTable(rows, 4);
        if (rows > 0) {
            (*table)[0] = {0, 255, 129, 127, -5,         300, 2147483647, -2147483647 - 1,
                           1, 2,   3,   4,   2147483647, 0};
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("trip.dat"));
        QVERIFY(sequencefile::save(path, *table, rows).ok);
        const sequencefile::LoadResult loaded = sequencefile::load(path);
        QVERIFY(loaded.readable);
        QCOMPARE(loaded.stopLine, -1);
        QVERIFY(!loaded.cutAtLimit);
        QCOMPARE(loaded.lines.size(), rows);
        for (int i = 0; i < rows; ++i) {
            const QString& line = loaded.lines[i];
            QVERIFY(line.endsWith(QStringLiteral("  ms\t")));
            const auto values = stepline::ParseStepLine(line);
            QVERIFY2(values, qPrintable(line));
            for (int k = 0; k <= kDurationField; ++k) {
                QCOMPARE((*values)[k], (*table)[i][k]);
            }
        }
    }

    void loadFormText_data() {
        QTest::addColumn<bool>("comma");
        QTest::addColumn<QString>("half");
        QTest::newRow("point") << false << QStringLiteral("0.5");
        QTest::newRow("comma") << true << QStringLiteral("0,5");
    }
    void loadFormText() {
        QFETCH(bool, comma);
        QFETCH(QString, half);
        if (comma) {
            QLocale::setDefault(QLocale(QLocale::German));
        }
        const QByteArray bytes = "129\t127\t0\t255\t128\t128\t128\t128\t128\t128\t128\t128\t"
                                 "0500\tBREAK!\textra\r\n";
        const sequencefile::LoadResult loaded = sequencefile::parse(bytes);
        QCOMPARE(loaded.lines.size(), 1);
        const QString expected = half + " \u00B0\t-" + half + " \u00B0\t-64 \u00B0\t63" +
                                 half.mid(1) + " \u00B0\t" +
                                 QStringLiteral("0 \u00B0\t").repeated(8) + "0500  ms\t";
        QCOMPARE(loaded.lines[0], expected);
        const auto values = stepline::ParseStepLine(loaded.lines[0]);
        QVERIFY(values);
        QCOMPARE((*values)[0], 129);
        QCOMPARE((*values)[3], 255);
        QCOMPARE((*values)[kDurationField], 500);
    }

    void load_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("stopLine");
        QTest::addColumn<StopReason>("reason");
        QTest::addColumn<bool>("cut");
        const QByteArray a = fileLine(100);
        const QByteArray lf = fileLine(100, "500", "\n");
        const StopReason none = StopReason::None;
        QTest::newRow("empty file") << QByteArray() << 0 << -1 << none << false;
        QTest::newRow("CR LF") << a + a + a << 3 << -1 << none << false;
        QTest::newRow("LF only") << lf + lf << 2 << -1 << none << false;
        QTest::newRow("mixed line ends") << a + lf + a << 3 << -1 << none << false;
        QTest::newRow("no line end at the end")
            << a + fileLine(1, "20", "") << 2 << -1 << none << false;
        QTest::newRow("no trailing TAB")
            << a + fileLine(1, "20", "").chopped(1) << 2 << -1 << none << false;
        QTest::newRow("trailing blank line") << a + a + "\r\n" << 2 << -1 << none << false;
        QTest::newRow("trailing blank lines, LF") << lf + "\n \n\n" << 1 << -1 << none << false;
        QTest::newRow("only a line end") << QByteArray("\r\n") << 0 << -1 << none << false;
        QTest::newRow("spaces around values")
            << QByteArray(" 1 \t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t 40 \t\r\n") << 1 << -1 << none
            << false;
        QTest::newRow("blank line inside")
            << a + "\r\n" + a << 1 << 1 << StopReason::TooFewFields << false;
        QTest::newRow("twelve values") << a + a + "1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\r\n"
                                       << 2 << 2 << StopReason::TooFewFields << false;
        QTest::newRow("letter in a position")
            << a + fileLine(100).replace("100", "1e2") << 1 << 1 << StopReason::NotANumber << false;
        QTest::newRow("letter in the duration")
            << fileLine(100, "5oo") << 0 << 0 << StopReason::NotANumber << false;
        QTest::newRow("fraction in the duration")
            << fileLine(100, "20.5") << 0 << 0 << StopReason::NotANumber << false;
        QTest::newRow("empty value")
            << fileLine(100, "") << 0 << 0 << StopReason::NotANumber << false;
        QTest::newRow("plus sign")
            << fileLine(100, "+5") << 0 << 0 << StopReason::NotANumber << false;
        QTest::newRow("lone minus")
            << fileLine(100, "-") << 0 << 0 << StopReason::NotANumber << false;
        QTest::newRow("NUL byte") << a + fileLine(100, QByteArray("5\0", 2)) << 1 << 1
                                  << StopReason::NotANumber << false;
        QTest::newRow("UTF-8 bytes")
            << fileLine(100, "\xC3\xA9") << 0 << 0 << StopReason::NotANumber << false;
        QTest::newRow("32-bit limits")
            << fileLine(-2147483647 - 1, "2147483647") + fileLine(2147483647, "-2147483648") << 2
            << -1 << none << false;
        QTest::newRow("one above 32 bits")
            << a + fileLine(100, "2147483648") << 1 << 1 << StopReason::TooLarge << false;
        QTest::newRow("one below 32 bits")
            << fileLine(100, "-2147483649") << 0 << 0 << StopReason::TooLarge << false;
        QTest::newRow("hundred digits")
            << fileLine(100, QByteArray(100, '9')) << 0 << 0 << StopReason::TooLarge << false;
        QTest::newRow("leading zeros fit")
            << fileLine(100, QByteArray(100, '0') + "20") << 1 << -1 << none << false;
        QTest::newRow("CR only line ends") << fileLine(1, "20", "\r") + fileLine(2, "20", "\r") << 0
                                           << 0 << StopReason::StrayCarriageReturn << false;
        QTest::newRow("CR CR LF") << a + fileLine(1, "20", "\r\r\n") << 1 << 1
                                  << StopReason::StrayCarriageReturn << false;
        QTest::newRow("1024 lines") << repeatLines(1024) << 1024 << -1 << none << false;
        QTest::newRow("1024 lines and a blank one") << repeatLines(1024) + "\r\n"
                                                    << 1024 << -1 << none << false;
        QTest::newRow("1500 lines") << repeatLines(1500) << 1024 << -1 << none << true;
        QTest::newRow("bad line after the cut is never read") << repeatLines(1024) + "junk\r\n"
                                                              << 1024 << -1 << none << true;
    }
    void load() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, lines);
        QFETCH(int, stopLine);
        QFETCH(StopReason, reason);
        QFETCH(bool, cut);
        QBuffer buffer(&bytes);
        const sequencefile::LoadResult loaded = sequencefile::load(buffer);
        QVERIFY(loaded.readable);
        QCOMPARE(loaded.lines.size(), lines);
        QCOMPARE(loaded.stopLine, stopLine);
        QCOMPARE(loaded.stopReason, reason);
        QCOMPARE(loaded.cutAtLimit, cut);
        QCOMPARE(loaded.stopMessage().isEmpty(), stopLine < 0);
        for (const QString& line : loaded.lines) {
            QVERIFY2(stepline::ParseStepLine(line), qPrintable(line));
        }
    }

    void stopMessageNamesTheLine() {
        const sequencefile::LoadResult loaded =
            sequencefile::parse(fileLine(1) + fileLine(2) + "1\t2\r\n" + fileLine(3));
        QCOMPARE(loaded.stopMessage(), QStringLiteral("Loading stopped at line 3 of the file: it "
                                                      "has fewer than 13 values. The 2 lines "
                                                      "before it were loaded."));
    }

    void unreadableFile() {
        const sequencefile::LoadResult missing =
            sequencefile::load(QStringLiteral("/nonexistent/dir/Sequence9.dat"));
        QVERIFY(!missing.readable);
        QVERIFY(missing.error.contains(QStringLiteral("Sequence9.dat")));
        QVERIFY(missing.lines.isEmpty());

        FailingDevice device(100, repeatLines(10));
        QVERIFY(device.open(QIODevice::ReadOnly));
        const sequencefile::LoadResult failed = sequencefile::load(device);
        QVERIFY(!failed.readable);
        QVERIFY(!failed.error.isEmpty());
        QVERIFY(failed.lines.isEmpty());

        QBuffer writeOnly;
        QVERIFY(writeOnly.open(QIODevice::WriteOnly));
        QVERIFY(!sequencefile::load(writeOnly).readable);
    }
};

QTEST_GUILESS_MAIN(TestSequenceFile)
#include "tst_sequencefile.moc"
