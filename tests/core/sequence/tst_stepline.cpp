#include "core/NumberText.h"
#include "core/sequence/StepLine.h"

#include <QLocale>
#include <QTest>

#include <algorithm>
#include <limits>

namespace {

constexpr qint32 kMin = std::numeric_limits<qint32>::min();
constexpr qint32 kMax = std::numeric_limits<qint32>::max();

// Twelve degree fields (the last text repeats), then the duration field.
QString lineOf(const QStringList& degrees, const QString& duration) {
    QString line;
    for (int k = 0; k < kChannelCount; ++k) {
        line += degrees.value(k, degrees.last()) + QStringLiteral(" \u00B0\t");
    }
    return line + duration;
}

// Twelve positions (the last repeats), then the duration.
QList<int> valuesOf(const QList<int>& positions, int duration) {
    QList<int> v(kChannelCount, positions.last());
    std::copy(positions.begin(), positions.end(), v.begin());
    return v << duration;
}

// Empty when the line is unreadable.
QList<int> parse(const QString& line) {
    const std::optional<stepline::StepValues> v = stepline::ParseStepLine(line);
    return v ? QList<int>(v->begin(), v->end()) : QList<int>();
}

} // namespace

class TestStepLine : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }
    void parseLines();
    void producers();
    void breakMark();
};

void TestStepLine::parseLines() {
    QCOMPARE(parse(lineOf({"0"}, "500 ms")), valuesOf({128}, 500));
    QCOMPARE(parse(lineOf({"0"}, "500  ms\t\tBREAK!")), valuesOf({128}, 500));
    // Floor for positions, even halves for durations, no clamping to a byte.
    QCOMPARE(parse(lineOf({"0.5", "-0.5", "-64", "63.5", "0.25", "-0.25", "0.75", "100", "-100"},
                          "20.5 ms")),
             valuesOf({129, 127, 0, 255, 128, 127, 129, 328, -72}, 20));
    QCOMPARE(parse(lineOf({"0"}, "21.5 ms")), valuesOf({128}, 22));
    for (const char* position : {"abc", "", "1,000", "0,5", "1073741760", "-1e300", "inf"}) {
        QVERIFY2(parse(lineOf({position}, "1 ms")).isEmpty(), position);
    }
    for (const char* duration : {"", "5x0 ms", "2147483647.5 ms", "1e999 ms", "nan ms"}) {
        QVERIFY2(parse(lineOf({"0"}, duration)).isEmpty(), duration);
    }
    QCOMPARE(parse(QString()), QList<int>());
    QCOMPARE(parse(lineOf({"0"}, QString()).chopped(1)), QList<int>());
    QCOMPARE(parse(lineOf({"0"}, "1 ms").replace(" \u00B0", "\u00B0")), QList<int>());

    QLocale::setDefault(QLocale(QLocale::German));
    QCOMPARE(parse(lineOf({"0,5", "-0,5", "-64", "63,5"}, "20,5  ms\t")),
             valuesOf({129, 127, 0, 255}, 20));
    QCOMPARE(parse(lineOf({"0.5"}, "1 ms")), QList<int>());
    QCOMPARE(parse(lineOf({"0"}, "1.000 ms")), QList<int>());
}

// Both producers write the user's separator; every position, the 32-bit limits included,
// reads back as written.
void TestStepLine::producers() {
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::German)}) {
        QLocale::setDefault(locale);
        const QString sep = locale.decimalPoint();
        const QStringList degrees{"0" + sep + "5", "-0" + sep + "5", "-64", "63" + sep + "5", "0"};
        const QList<int> v = valuesOf({129, 127, 0, 255, 128}, 1000);
        StepRecord record{};
        std::copy(v.begin(), v.end(), record.begin());
        std::array<QString, kChannelCount> readouts;
        for (int k = 0; k < kChannelCount; ++k) {
            readouts[k] = numbertext::degreeReadout(v[k]);
        }
        QCOMPARE(stepline::addForm(readouts, 20.5), lineOf(degrees, "20" + sep + "5 ms"));
        QCOMPARE(stepline::readBackForm(record), lineOf(degrees, "1000 ms\t"));

        for (qint64 b = -1; b <= 256; ++b) {
            record.fill(b < 0 ? kMin : b > 255 ? kMax : qint32(b));
            QCOMPARE(parse(stepline::readBackForm(record)), valuesOf({record[0]}, record[0]));
        }
    }
}

void TestStepLine::breakMark() {
    const QString added = lineOf({"0"}, "500 ms");
    for (const QString& line : {added, lineOf({"0"}, "500  ms\t")}) {
        const QString marked = stepline::withBreakMark(line);
        QCOMPARE(marked, line + "\tBREAK!");
        QVERIFY(stepline::hasBreakMark(marked) && !stepline::hasBreakMark(line));
        QCOMPARE(stepline::withoutBreakMarks(marked), line);
    }
    QCOMPARE(stepline::withoutBreakMarks(added + "\tBREAK!\tBREAK!"), added);
}

QTEST_GUILESS_MAIN(TestStepLine)
#include "tst_stepline.moc"
