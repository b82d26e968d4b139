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
        QTest::newRow("50 ms, half to even 2") << 128 << 50 << 2;
        QTest::newRow("5120 ms, high byte first") << 128 << 5120 << 256;
        QTest::newRow("1310690 ms, half to even 65534") << 128 << 1310690 << 65534;
        QTest::newRow("1310700 ms, the largest") << 255 << 1310700 << 65535;
        QTest::newRow("position -1") << -1 << 1000 << -1;
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

    // What is programmed reads back as the same numbers, also where the decimal mark is a comma.
    void roundTrip() {
        const QLocale locale(QLocale::German, QLocale::Germany);
        SequenceTable table{};
        for (int s = 0; s < kMaxLines; ++s) {
            for (int f = 0; f <= kDurationField; ++f) {
                table[s][f] = (s * 7 + f * 13) % 256;
            }
            table[s][kDurationField] *= 20 * (1 + s % 256);
        }
        FlashImageTable image{};
        packImage(table, kMaxLines, image);
        SequenceTable back{};
        const QStringList lines = decodeImage(image, kMaxLines, back, locale);
        QVERIFY(back == table);
        for (int s = 0; s < kMaxLines; ++s) {
            const auto parsed = stepline::ParseStepLine(lines[s], locale);
            QVERIFY2(parsed && std::equal(parsed->begin(), parsed->end(), table[s].begin()),
                     qPrintable(lines[s]));
        }
    }
};

QTEST_GUILESS_MAIN(TestFlashImage)
#include "tst_flashimage.moc"
