#include "core/flash/FlashImage.h"
#include "core/sequence/StepLine.h"

#include <QTest>

using namespace flashimage;

namespace {

StepRecord stepOf(qint32 position, qint32 durationMs, qint32 breakFlag = 0) {
    StepRecord s{};
    s.fill(position);
    s[kDurationField] = durationMs;
    s[kBreakField] = breakFlag;
    return s;
}

} // namespace

class TestFlashImage : public QObject {
    Q_OBJECT

private slots:
    void durationBytes_data() {
        QTest::addColumn<int>("ms");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("low");
        QTest::newRow("0 ms") << 0 << 0 << 0;
        QTest::newRow("10 ms, half to even 0") << 10 << 0 << 0;
        QTest::newRow("20 ms") << 20 << 0 << 1;
        QTest::newRow("29 ms") << 29 << 0 << 1;
        QTest::newRow("30 ms, half to even 2") << 30 << 0 << 2;
        QTest::newRow("31 ms") << 31 << 0 << 2;
        QTest::newRow("50 ms, half to even 2") << 50 << 0 << 2;
        QTest::newRow("1000 ms") << 1000 << 0 << 50;
        QTest::newRow("5120 ms, high byte first") << 5120 << 1 << 0;
        QTest::newRow("1310690 ms, half to even 65534") << 1310690 << 255 << 254;
        QTest::newRow("1310700 ms, largest") << 1310700 << 255 << 255;
    }
    void durationBytes() {
        QFETCH(int, ms);
        QFETCH(int, high);
        QFETCH(int, low);
        const FlashStep bytes = packStep(stepOf(128, ms));
        QCOMPARE(int(bytes[12]), high);
        QCOMPARE(int(bytes[13]), low);
        for (int c = 0; c < kChannelCount; ++c) {
            QCOMPARE(int(bytes[c]), 128);
        }
    }

    void unstorable_data() {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("ms");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("isDuration");
        QTest::newRow("edges fit") << 3 << 0 << 1310700 << false << false;
        QTest::newRow("255 fits") << 11 << 255 << 0 << false << false;
        QTest::newRow("position -1") << 3 << -1 << 1000 << true << false;
        QTest::newRow("position 256") << 11 << 256 << 1000 << true << false;
        QTest::newRow("duration -20") << 0 << 128 << -20 << true << true;
        QTest::newRow("duration 1310701") << 0 << 128 << 1310701 << true << true;
    }
    void unstorable() {
        QFETCH(int, channel);
        QFETCH(int, position);
        QFETCH(int, ms);
        QFETCH(bool, refused);
        QFETCH(bool, isDuration);
        SequenceTable table{};
        for (int s = 0; s < 10; ++s) {
            table[s] = stepOf(128, 1000);
        }
        table[7][channel] = position;
        table[7][kDurationField] = ms;
        const auto bad = findUnstorable(table, 10);
        QCOMPARE(bad.has_value(), refused);
        if (!refused) {
            return;
        }
        QCOMPARE(bad->step, 7);
        QCOMPARE(bad->field == Unstorable::Field::Duration, isDuration);
        const QString text = unstorableMessage(*bad);
        QVERIFY2(text.startsWith(stepline::stepLabel(7) + QLatin1Char(' ')), qPrintable(text));
        QVERIFY(text.contains(QString::number(isDuration ? ms : position)));
        if (!isDuration) {
            QCOMPARE(bad->channel, channel);
            QVERIFY(text.contains(QStringLiteral("Ch%1").arg(channel)));
        }
    }

    void unstorableBeyondTheListIsIgnored() {
        SequenceTable table{};
        table[0] = stepOf(128, 1000);
        table[1] = stepOf(300, -5); // a row the list no longer has
        QVERIFY(!findUnstorable(table, 1));
        QCOMPARE(findUnstorable(table, 2)->step, 1);
    }

    void packLeavesLaterRowsAndKeepsWireOrder() {
        SequenceTable table{};
        for (int s = 0; s < 3; ++s) {
            for (int c = 0; c < kChannelCount; ++c) {
                table[s][c] = s * 20 + c;
            }
            table[s][kDurationField] = 20 * (s + 1);
        }
        FlashImageTable image{};
        image[2].fill(0xAB);
        packImage(table, 2, image);
        QCOMPARE(int(image[2][0]), 0xAB);
        QCOMPARE(int(wireByte(image, 0)), 0);
        QCOMPARE(int(wireByte(image, 11)), 11);
        QCOMPARE(int(wireByte(image, 13)), 1);
        QCOMPARE(int(wireByte(image, 14)), 20);
        QCOMPARE(int(wireByte(image, 27)), 2);
    }

    void blocksAndProgress_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("waits");
        QTest::addColumn<int>("divisor");
        QTest::newRow("1 step") << 1 << 0 << 1;
        QTest::newRow("18 steps, 252 bytes") << 18 << 0 << 1;
        QTest::newRow("19 steps, 266 bytes") << 19 << 1 << 1;
        QTest::newRow("101 steps") << 101 << 5 << 2;
        QTest::newRow("128 steps, 1792 bytes, last byte ends a block") << 128 << 7 << 2;
        QTest::newRow("1024 steps") << 1024 << 56 << 11;
    }
    void blocksAndProgress() {
        QFETCH(int, lines);
        QFETCH(int, waits);
        QFETCH(int, divisor);
        int counted = 0;
        for (int sent = 1; sent <= byteCount(lines); ++sent) {
            counted += blockEnds(sent) ? 1 : 0;
        }
        QCOMPARE(counted, waits);
        QCOMPARE(progressDivisor(lines), divisor);
    }

    void readRows_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("rows");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("13 bytes, no whole step") << 13 << 0;
        QTest::newRow("28 bytes") << 28 << 2;
        QTest::newRow("30 bytes, last 2 ignored") << 30 << 2;
        QTest::newRow("14336 bytes") << 14336 << 1024;
        QTest::newRow("over the image") << 20000 << 1024;
    }
    void readRows() {
        QFETCH(int, count);
        QFETCH(int, rows);
        QCOMPARE(flashimage::readRows(count), rows);
    }

    void decodeToRowsAndLines() {
        FlashImageTable image{};
        image[0] = {129, 0, 255, 128, 128, 128, 128, 128, 128, 128, 128, 128, 0, 50};
        image[1] = {128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 1, 0};
        SequenceTable table{};
        table[0][kBreakField] = 1;
        const QStringList lines = decodeImage(image, 2, table, QLocale::c());
        QCOMPARE(lines.size(), 2);
        QCOMPARE(table[0][0], 129);
        QCOMPARE(table[0][1], 0);
        QCOMPARE(table[0][2], 255);
        QCOMPARE(table[0][kDurationField], 1000);
        QCOMPARE(table[1][kDurationField], 5120);
        QCOMPARE(table[0][kBreakField], 1); // the flag is not the image's business
        const QStringList fields = lines[0].split(QLatin1Char('\t'));
        QCOMPARE(fields[0], QStringLiteral("0.5 °"));
        QCOMPARE(fields[1], QStringLiteral("-64 °"));
        QCOMPARE(fields[2], QStringLiteral("63.5 °"));
        QCOMPARE(fields[12], QStringLiteral("1000 ms"));
        QVERIFY(lines[0].endsWith(QLatin1Char('\t')));
    }

    // What is programmed reads back as the same numbers, in any decimal format.
    void roundTrip_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("C") << QLocale::c();
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany);
    }
    void roundTrip() {
        QFETCH(QLocale, locale);
        SequenceTable table{};
        for (int s = 0; s < kMaxLines; ++s) {
            for (int c = 0; c < kChannelCount; ++c) {
                table[s][c] = (s * 7 + c * 13) % 256;
            }
            table[s][kDurationField] = (s % 50) * 20 * 67 % kMaxDurationMs;
        }
        FlashImageTable image{};
        packImage(table, kMaxLines, image);
        SequenceTable back{};
        const QStringList lines = decodeImage(image, kMaxLines, back, locale);
        for (int s = 0; s < kMaxLines; ++s) {
            const auto parsed = stepline::ParseStepLine(lines[s], locale);
            QVERIFY2(parsed, qPrintable(lines[s]));
            for (int f = 0; f <= kDurationField; ++f) {
                QCOMPARE(back[s][f], table[s][f]);
                QCOMPARE((*parsed)[f], table[s][f]);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestFlashImage)
#include "tst_flashimage.moc"
