#include "core/NumberText.h"
#include "core/interp/Interpolation.h"
#include "core/sequence/StepLine.h"

#include <QTest>

#include <cmath>
#include <limits>

using interpolation::Direction;
using interpolation::Outcome;

Q_DECLARE_METATYPE(Direction)
Q_DECLARE_METATYPE(Outcome)

namespace {

// An Add-form line with channel 0 at ch0 degrees and the other channels at 0.
QString line(double ch0, double ms) {
    std::array<QString, kChannelCount> readouts;
    readouts.fill(QStringLiteral("0 \u00B0"));
    readouts[0] = numbertext::halfSteps(ch0) + numbertext::kDegreeSuffix;
    return stepline::addForm(readouts, ms);
}

QStringList lines(int count) {
    QStringList list;
    for (int i = 0; i < count; ++i) {
        list << line(0, 1000);
    }
    return list;
}

} // namespace

class TestInterpolation : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void table_data() {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<int>("selected");
        QTest::addColumn<Direction>("direction");
        QTest::addColumn<double>("count");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<int>("source");
        QTest::addColumn<QList<double>>("ch0");
        QTest::addColumn<QList<int>>("ms");
        QTest::addColumn<QString>("message");

        const QString time = interpolation::kTooManyForTimeText;
        const QString full = interpolation::kTooManyForListText;
        const QStringList ramp{line(0, 100), line(10, 300)};
        const Direction next = Direction::Next;
        const Direction prev = Direction::Previous;
        const Outcome done = Outcome::Done;
        const Outcome stayed = Outcome::Stayed;
        const Outcome closed = Outcome::Closed;
        const QList<double> noPos;
        const QList<int> noMs;

        QTest::newRow("worked example")
            << ramp << 0 << next << 4.0 << done << 0 << QList<double>{0, 2.5, 5, 7.5}
            << QList<int>{20, 40, 20, 20} << QString();
        QTest::newRow("N 2, T 100") << ramp << 0 << next << 2.0 << done << 0 << QList<double>{0, 5}
                                    << QList<int>{60, 40} << QString();
        QTest::newRow("mean exactly 20 ms passes")
            << ramp << 0 << next << 5.0 << done << 0 << QList<double>{0, 2, 4, 6, 8}
            << QList<int>{20, 20, 20, 20, 20} << QString();
        QTest::newRow("mean below 20 ms refused")
            << ramp << 0 << next << 6.0 << stayed << -1 << noPos << noMs << time;
        QTest::newRow("T 50, N 2 loses 10 ms")
            << QStringList{line(0, 50), line(10, 50)} << 0 << next << 2.0 << done << 0
            << QList<double>{0, 5} << QList<int>{20, 20} << QString();
        QTest::newRow("T 110, N 2 rounds up to 120")
            << QStringList{line(0, 110), line(10, 50)} << 0 << next << 2.0 << done << 0
            << QList<double>{0, 5} << QList<int>{60, 60} << QString();
        QTest::newRow("rising half degrees")
            << QStringList{line(0, 100), line(1, 100)} << 0 << next << 4.0 << done << 0
            << QList<double>{0, 0, 0.5, 1} << QList<int>{20, 40, 20, 20} << QString();
        QTest::newRow("falling half degrees")
            << QStringList{line(1, 100), line(0, 100)} << 0 << next << 4.0 << done << 0
            << QList<double>{1, 1, 0.5, 0} << QList<int>{20, 40, 20, 20} << QString();
        QTest::newRow("quarter rounds to even")
            << QStringList{line(0, 100), line(0.5, 100)} << 0 << next << 2.0 << done << 0
            << QList<double>{0, 0} << QList<int>{60, 40} << QString();
        QTest::newRow("negative degrees")
            << QStringList{line(-64, 100), line(63.5, 100)} << 0 << next << 2.0 << done << 0
            << QList<double>{-64, 0} << QList<int>{60, 40} << QString();

        QTest::newRow("N 1 closes, next")
            << ramp << 0 << next << 1.0 << closed << -1 << noPos << noMs << QString();
        QTest::newRow("N 1 closes, no direction")
            << ramp << 0 << Direction::None << 1.0 << closed << -1 << noPos << noMs << QString();
        QTest::newRow("N 1 closes before the time check")
            << QStringList{line(0, 0), line(1, 0)} << 1 << prev << 1.0 << closed << -1 << noPos
            << noMs << QString();
        QTest::newRow("no direction stays silently")
            << ramp << 0 << Direction::None << 3.0 << stayed << -1 << noPos << noMs << QString();

        const QStringList three{line(0, 100), line(10, 200), line(20, 300)};
        QTest::newRow("previous replaces the line before")
            << three << 2 << prev << 2.0 << done << 1 << QList<double>{10, 15}
            << QList<int>{100, 100} << QString();
        QTest::newRow("next on a middle line")
            << three << 1 << next << 2.0 << done << 1 << QList<double>{10, 15}
            << QList<int>{100, 100} << QString();
        QTest::newRow("previous refused by the time check")
            << three << 1 << prev << 6.0 << stayed << -1 << noPos << noMs << time;
        QTest::newRow("previous on the first line")
            << three << 0 << prev << 2.0 << stayed << -1 << noPos << noMs << QString();
        QTest::newRow("next on the last line")
            << three << 2 << next << 2.0 << stayed << -1 << noPos << noMs << QString();

        // The count field may hold anything below its minimum; it counts as 1.
        QTest::newRow("count 0") << ramp << 0 << next << 0.0 << closed << -1 << noPos << noMs
                                 << QString();
        QTest::newRow("count negative")
            << ramp << 0 << next << -3.0 << closed << -1 << noPos << noMs << QString();
        QTest::newRow("count NaN")
            << ramp << 0 << next << std::nan("") << closed << -1 << noPos << noMs << QString();
        QTest::newRow("count 1.4 rounds to 1")
            << ramp << 0 << next << 1.4 << closed << -1 << noPos << noMs << QString();
        QTest::newRow("count 2.5 makes 3 steps")
            << ramp << 0 << next << 2.5 << done << 0 << QList<double>{0, 3.5, 6.5}
            << QList<int>{40, 20, 40} << QString();
        QTest::newRow("count 3.5 makes 3 steps, half to even")
            << ramp << 0 << next << 3.5 << done << 0 << QList<double>{0, 3.5, 6.5}
            << QList<int>{40, 20, 40} << QString();
        QTest::newRow("count far too high")
            << ramp << 0 << next << 1e12 << stayed << -1 << noPos << noMs << time;

        // Totals beyond 16 bits.
        QTest::newRow("1 000 000 ms in 3")
            << QStringList{line(0, 1000000), line(0, 20)} << 0 << next << 3.0 << done << 0
            << QList<double>{0, 0, 0} << QList<int>{333340, 333320, 333340} << QString();
        QList<int> thousand(1000, 1000);
        QTest::newRow("1 000 000 ms in 1000")
            << QStringList{line(0, 1000000), line(0, 20)} << 0 << next << 1000.0 << done << 0
            << QList<double>(1000, 0) << thousand << QString();

        QStringList big = lines(1000);
        QTest::newRow("fills the list to 1024")
            << big << 0 << next << 25.0 << done << 0 << QList<double>(25, 0) << QList<int>(25, 40)
            << QString();
        QTest::newRow("one line over 1024 refused")
            << big << 0 << next << 26.0 << stayed << -1 << noPos << noMs << full;

        QTest::newRow("unreadable source")
            << QStringList{QStringLiteral("junk"), line(0, 100)} << 0 << next << 2.0 << stayed << -1
            << noPos << noMs << interpolation::kUnreadableText;
        QTest::newRow("source with break mark")
            << QStringList{stepline::withBreakMark(line(0, 100)),
                           stepline::withBreakMark(line(10, 100))}
            << 0 << next << 2.0 << done << 0 << QList<double>{0, 5} << QList<int>{60, 40}
            << QString();
        QTest::newRow("loaded lines read back")
            << QStringList{QStringLiteral("0 \u00B0\t").repeated(12) + "100  ms\t",
                           QStringLiteral("5 \u00B0\t").repeated(12) + "100  ms\t"}
            << 0 << next << 2.0 << done << 0 << QList<double>{0, 2.5} << QList<int>{60, 40}
            << QString();
    }
    void table() {
        QFETCH(QStringList, list);
        QFETCH(int, selected);
        QFETCH(Direction, direction);
        QFETCH(double, count);
        QFETCH(Outcome, outcome);
        QFETCH(int, source);
        QFETCH(QList<double>, ch0);
        QFETCH(QList<int>, ms);
        QFETCH(QString, message);

        const interpolation::Result r =
            interpolation::interpolate(list, selected, direction, count);
        QCOMPARE(r.outcome, outcome);
        QCOMPARE(r.messageText, message);
        QCOMPARE(r.messageTitle, message.isEmpty() ? QString() : QStringLiteral("Note"));
        if (outcome != Outcome::Done) {
            QCOMPARE(r.sourceIndex, -1);
            QVERIFY(r.newLines.isEmpty());
            return;
        }
        QCOMPARE(r.sourceIndex, source);
        QCOMPARE(r.newLines.size(), ch0.size());
        qint64 sum = 0;
        for (int m = 0; m < r.newLines.size(); ++m) {
            const QString& text = r.newLines[m];
            const QStringList fields = text.split(QLatin1Char('\t'));
            QCOMPARE(fields.size(), 13);
            QVERIFY(!stepline::hasBreakMark(text));
            QCOMPARE(fields[0], numbertext::halfSteps(ch0[m]) + numbertext::kDegreeSuffix);
            QCOMPARE(fields[12], QString::number(ms[m]) + QStringLiteral(" ms"));
            QVERIFY(stepline::ParseStepLine(text));
            sum += ms[m];
        }
        // The block lasts the source's duration rounded to 20 ms.
        const double t = *stepline::readDurationField(
            QStringView(list[source]).split(QLatin1Char('\t'))[kDurationField]);
        QCOMPARE(sum, 20 * qint64(std::nearbyint(t / 20)));
    }

    void everyChannelRamps() {
        std::array<QString, kChannelCount> from;
        std::array<QString, kChannelCount> to;
        for (int k = 0; k < kChannelCount; ++k) {
            from[k] = numbertext::halfSteps(k) + numbertext::kDegreeSuffix;
            to[k] = numbertext::halfSteps(-2.0 * k) + numbertext::kDegreeSuffix;
        }
        const QStringList list{stepline::addForm(from, 200), stepline::addForm(to, 200)};
        const interpolation::Result r = interpolation::interpolate(list, 0, Direction::Next, 2);
        QCOMPARE(r.newLines.size(), 2);
        QCOMPARE(r.newLines[0].section(QLatin1Char('\t'), 0, 11),
                 list[0].section(QLatin1Char('\t'), 0, 11));
        // Halfway: 1.5 k, each doubled to 3 k, all whole in half degrees.
        for (int k = 0; k < kChannelCount; ++k) {
            QCOMPARE(r.newLines[1].split(QLatin1Char('\t'))[k],
                     numbertext::halfSteps(-0.5 * k) + numbertext::kDegreeSuffix);
        }
    }

    void commaLocale() {
        QLocale::setDefault(QLocale(QLocale::German));
        const QStringList list{line(0, 100), line(10, 100)};
        QVERIFY(list[1].startsWith(QStringLiteral("10 \u00B0\t")));
        const interpolation::Result r = interpolation::interpolate(list, 0, Direction::Next, 4);
        QCOMPARE(r.outcome, Outcome::Done);
        QCOMPARE(r.newLines[1], QStringLiteral("2,5 \u00B0\t") +
                                    QStringLiteral("0 \u00B0\t").repeated(11) + "40 ms");
        const QStringList half{line(0.5, 100), line(1.5, 100)};
        QCOMPARE(interpolation::interpolate(half, 0, Direction::Next, 2).newLines[1],
                 QStringLiteral("1 \u00B0\t") + QStringLiteral("0 \u00B0\t").repeated(11) +
                     "40 ms");
    }
};

QTEST_GUILESS_MAIN(TestInterpolation)
#include "tst_interpolation.moc"
