#include "core/flash/FlashImage.h"
#include "core/sequence/StepLine.h"

#include <QTest>

#include <algorithm>

using namespace flashimage;

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
        using Edits = QList<QList<int>>; // {step, field, value}; field 12 is the duration
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("bytes");     // stored by the read
        QTest::addColumn<int>("announced"); // by the board
        QTest::addColumn<bool>("complete");
        QTest::addColumn<Edits>("list");
        QTest::addColumn<Edits>("flash");
        QTest::addColumn<QString>("message");
        QTest::newRow("holds the list")
            << 5 << 70 << 70 << true << Edits{} << Edits{}
            << "The board's flash holds this list (5 steps).";
        QTest::newRow("1030 ms is stored as 1040 ms")
            << 5 << 70 << 70 << true << Edits{{2, 12, 1030}} << Edits{{2, 12, 1040}}
            << "The board's flash holds this list (5 steps).";
        QTest::newRow("a position")
            << 5 << 70 << 70 << true << Edits{{3, 5, 148}} << Edits{{3, 5, 129}}
            << "The board's flash does not hold this list. Step N\u00B0 3, Ch5: the flash holds "
               "0.5 \u00B0, the list 10 \u00B0; 1 step differs.";
        QTest::newRow("a duration first, a position later")
            << 5 << 70 << 70 << true << Edits{{1, 12, 1100}, {4, 0, 0}} << Edits{}
            << "The board's flash does not hold this list. Step N\u00B0 1, duration: the flash "
               "holds 1000 ms, the list 1100 ms; 2 steps differ.";
        QTest::newRow("the flash is shorter")
            << 5 << 42 << 42 << true << Edits{} << Edits{}
            << "The board's flash does not hold this list. Step N\u00B0 3: the flash holds 3 "
               "steps, the list 5; 2 steps differ.";
        QTest::newRow("the list is shorter, and differs before")
            << 4 << 70 << 70 << true << Edits{} << Edits{{0, 11, 255}}
            << "The board's flash does not hold this list. Step N\u00B0 0, Ch11: the flash holds "
               "63.5 \u00B0, the list 0 \u00B0; 2 steps differ.";
        QTest::newRow("two stray bytes after the steps")
            << 3 << 44 << 44 << true << Edits{} << Edits{}
            << "The board's flash does not hold this list: it holds 44 bytes where the list's 3 "
               "steps make 42.";
        QTest::newRow("one byte more than the flash can give")
            << 1024 << 14336 << 14337 << true << Edits{} << Edits{}
            << "The board's flash does not hold this list: it holds 14337 bytes where the list's "
               "1024 steps make 14336.";
        QTest::newRow("a read that did not end by itself")
            << 3 << 42 << 20000 << false << Edits{} << Edits{}
            << "The board's flash was not read to the end, so whether it holds this list is not "
               "known.";
    }
    void compareWithFlash() {
        using Edits = QList<QList<int>>;
        QFETCH(int, lines);
        QFETCH(int, bytes);
        QFETCH(int, announced);
        QFETCH(bool, complete);
        QFETCH(Edits, list);
        QFETCH(Edits, flash);
        QFETCH(QString, message);
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
        QCOMPARE(comparisonMessage(c, QLocale::c()), message);
        QCOMPARE(c.holds(), message.startsWith("The board's flash holds this list"));
        QVERIFY(table == before);
    }

    void namedChannelInTheMessage() {
        SequenceTable table{};
        table[0].fill(128);
        table[0][kDurationField] = 1000;
        FlashImageTable image{};
        packImage(table, 1, image);
        table[0][5] = 148;
        const Comparison c = compareImage(table, 1, image, {14, 14, true});
        QStringList labels(kChannelCount, QStringLiteral("Ch"));
        labels[5] = QStringLiteral("Ch5 (gripper)");
        QCOMPARE(comparisonMessage(c, QLocale::c(), labels),
                 QStringLiteral("The board's flash does not hold this list. Step N\u00B0 0, Ch5 "
                                "(gripper): the flash holds 0 \u00B0, the list 10 \u00B0; 1 step "
                                "differs."));
    }
};

QTEST_GUILESS_MAIN(TestFlashImage)
#include "tst_flashimage.moc"
