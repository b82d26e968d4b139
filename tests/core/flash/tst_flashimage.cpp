#include "core/flash/FlashImage.h"
#include "core/sequence/StepLine.h"

#include <QTest>

#include <algorithm>

using namespace flashimage;
using Edits = QList<QList<int>>; // {step, field, value}; field 12 is the duration

class TestFlashImage : public QObject {
    Q_OBJECT

private slots:
    // Step 1 of a two-line list with one position at ch11 and one duration; step 2 lies beyond
    // the list and cannot be stored, so it must be left alone.
    void packStep_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("ms");
        QTest::addColumn<int>("units"); // in bytes 12 (high) and 13; -1: the step is refused
        QTest::newRow("10 ms, half to even 0") << 0 << 10 << 0;
        QTest::newRow("20 ms") << 128 << 20 << 1;
        QTest::newRow("30 ms, half to even 2") << 128 << 30 << 2;
        QTest::newRow("5120 ms, high byte first") << 128 << 5120 << 256;
        QTest::newRow("1310690 ms, half to even 65534") << 128 << 1310690 << 65534;
        QTest::newRow("1310700 ms, the largest") << 255 << 1310700 << 65535;
        QTest::newRow("position 256") << 256 << 1000 << -1;
        QTest::newRow("duration -20") << 128 << -20 << -1;
        QTest::newRow("duration 1310701") << 128 << 1310701 << -1;
    }
    void packStep() {
        QFETCH(int, position);
        QFETCH(int, ms);
        QFETCH(int, units);
        SequenceTable table{};
        table[1][11] = position;
        table[1][kDurationField] = ms;
        table[2].fill(-1);
        const auto bad = findUnstorable(table, 2);
        QCOMPARE(bad.has_value(), units < 0);
        if (bad) {
            const bool duration = position >= 0 && position <= 255;
            QVERIFY(bad->step == 1 && (bad->field == Unstorable::Field::Duration) == duration);
            const QString text = unstorableMessage(*bad);
            QVERIFY2(text.startsWith(stepline::stepLabel(1) + QLatin1Char(' ')), qPrintable(text));
            QVERIFY(text.contains(QString::number(duration ? ms : position)));
            QVERIFY(duration || (bad->channel == 11 && text.contains(QStringLiteral("Ch11"))));
            return;
        }
        const FlashStep bytes = flashimage::packStep(table[1]);
        QCOMPARE(bytes[12] * 256 + bytes[13], units);
    }

    // Verify: the list against the flash, on the bytes programming would write. Only a read
    // that ended by itself, of exactly the list's bytes, holds it.
    void compareWithFlash_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("bytes");     // stored by the read
        QTest::addColumn<int>("announced"); // by the board
        QTest::addColumn<bool>("complete");
        QTest::addColumn<Edits>("list");
        QTest::addColumn<Edits>("flash");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("label"); // Ch5's, if it has one
        const auto row = [](const char* name, int lines, int bytes, int announced, bool complete,
                            const Edits& list, const Edits& flash, const char* message,
                            const char* label = "") {
            QTest::newRow(name) << lines << bytes << announced << complete << list << flash
                                << QString::fromUtf8(message) << QString::fromUtf8(label);
        };
        row("holds the list", 5, 70, 70, true, {}, {},
            "The board's flash holds this list (5 steps).");
        row("1030 ms is stored as 1040 ms", 5, 70, 70, true, {{2, 12, 1030}}, {{2, 12, 1040}},
            "The board's flash holds this list (5 steps).");
        row("a position", 5, 70, 70, true, {{3, 5, 148}}, {{3, 5, 129}},
            "The board's flash does not hold this list. Step N° 3, Ch5: the flash holds "
            "0.5 °, the list 10 °; 1 step differs.");
        row("a named channel", 1, 14, 14, true, {{0, 5, 148}}, {},
            "The board's flash does not hold this list. Step N° 0, Ch5 (gripper): the flash "
            "holds 0 °, the list 10 °; 1 step differs.",
            "Ch5 (gripper)");
        row("a duration first, a position later", 5, 70, 70, true, {{1, 12, 1100}, {4, 0, 0}}, {},
            "The board's flash does not hold this list. Step N° 1, duration: the flash "
            "holds 1000 ms, the list 1100 ms; 2 steps differ.");
        row("the flash is shorter", 5, 42, 42, true, {}, {},
            "The board's flash does not hold this list. Step N° 3: the flash holds 3 "
            "steps, the list 5; 2 steps differ.");
        row("the list is shorter, and differs before", 4, 70, 70, true, {}, {{0, 11, 255}},
            "The board's flash does not hold this list. Step N° 0, Ch11: the flash holds "
            "63.5 °, the list 0 °; 2 steps differ.");
        row("two stray bytes after the steps", 3, 44, 44, true, {}, {},
            "The board's flash does not hold this list: it holds 44 bytes where the list's 3 "
            "steps make 42.");
        row("one byte more than the flash can give", 1024, 14336, 14337, true, {}, {},
            "The board's flash does not hold this list: it holds 14337 bytes where the list's "
            "1024 steps make 14336.");
        row("a read that did not end by itself", 3, 42, 20000, false, {}, {},
            "The board's flash was not read to the end, so whether it holds this list is not "
            "known.");
    }
    void compareWithFlash() {
        QFETCH(int, lines);
        QFETCH(int, bytes);
        QFETCH(int, announced);
        QFETCH(bool, complete);
        QFETCH(Edits, list);
        QFETCH(Edits, flash);
        QFETCH(QString, message);
        QFETCH(QString, label);
        SequenceTable table{};
        for (StepRecord& r : table) {
            std::fill_n(r.begin(), kChannelCount, 128);
            r[kDurationField] = 1000;
        }
        SequenceTable stored = table;
        for (const auto& e : list) {
            table[e[0]][e[1]] = e[2];
        }
        for (const auto& e : flash) {
            stored[e[0]][e[1]] = e[2];
        }
        FlashImageTable image{};
        packImage(stored, kMaxLines, image);
        const SequenceTable before = table;
        const Comparison c = compareImage(table, lines, image, {announced, bytes, complete});
        QStringList labels;
        if (!label.isEmpty()) {
            labels = QStringList(kChannelCount, QStringLiteral("Ch"));
            labels[5] = label;
        }
        QCOMPARE(comparisonMessage(c, QLocale::c(), labels), message);
        QCOMPARE(c.holds(), message.startsWith("The board's flash holds this list"));
        QVERIFY(table == before);
    }
};

QTEST_GUILESS_MAIN(TestFlashImage)
#include "tst_flashimage.moc"
