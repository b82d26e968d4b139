#include "core/NumberText.h"
#include "core/interp/Interpolation.h"
#include "core/sequence/StepLine.h"

#include <QTest>

using namespace interpolation;

namespace {

struct Case {
    QStringList list;
    int selected = 0;
    Direction direction = Direction::None;
    double count = 0;
    Result expected;
    Curve curve = Curve::Linear;
};

// Channel k at ch0 + k degrees, so that a mix-up of channels shows.
QString line(double ch0, double ms) {
    std::array<QString, kChannelCount> readouts;
    for (int k = 0; k < kChannelCount; ++k) {
        readouts[k] = numbertext::halfSteps(ch0 + k, QLocale::c()) + numbertext::kDegreeSuffix;
    }
    return stepline::addForm(readouts, ms, QLocale::c());
}

// block: the new lines in list order as "degrees of channel 0/ms", e.g. "0/20 2.5/40".
void row(const char* name, const QStringList& list, int selected, Direction direction, double count,
         Outcome outcome, int source = -1, const QString& block = {}, const QString& message = {},
         Curve curve = Curve::Linear) {
    Result expected{outcome, source, {}, message.isEmpty() ? QString() : kNoteTitle, message};
    for (const QString& step : block.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        expected.newLines << line(step.section('/', 0, 0).toDouble(),
                                  step.section('/', 1).toDouble());
    }
    QTest::newRow(name) << Case{list, selected, direction, count, expected, curve};
}

} // namespace

Q_DECLARE_METATYPE(Case)

class TestInterpolation : public QObject {
    Q_OBJECT

private slots:
    void table_data() {
        QTest::addColumn<Case>("c");
        using enum Direction;
        using enum Outcome;
        const QStringList ramp{line(0, 100), line(10, 300)};
        const QStringList big(1000, line(0, 1000));
        const auto mark = &stepline::withBreakMark;
        const auto loaded = [](double ch0) { return line(ch0, 100).replace(" ms", "  ms\t"); };

        row("worked example", ramp, 0, Next, 4, Done, 0, "0/20 2.5/40 5/20 7.5/20");
        row("mean exactly 20 ms passes", ramp, 0, Next, 5, Done, 0, "0/20 2/20 4/20 6/20 8/20");
        row("mean below 20 ms refused", ramp, 0, Next, 6, Stayed, -1, {}, kTooManyForTimeText);
        row("T 50, N 2 loses 10 ms", {line(0, 50), line(10, 50)}, 0, Next, 2, Done, 0, "0/20 5/20");
        row("rising", {line(0, 100), line(1, 100)}, 0, Next, 4, Done, 0, "0/20 0/40 0.5/20 1/20");
        row("quarter to even", {line(0, 100), line(0.5, 100)}, 0, Next, 2, Done, 0, "0/60 0/40");
        row("minus quarter", {line(-40, 100), line(39.5, 100)}, 0, Next, 2, Done, 0, "-40/60 0/40");
        row("N 1 before any check", {line(0, 0), line(1, 0)}, 1, None, 1, Closed);
        row("no direction stays silently", ramp, 0, None, 3, Stayed);
        row("previous step", QStringList{line(5, 9)} + ramp, 2, Previous, 2, Done, 1, "0/60 5/40");
        row("next on the last line", ramp, 1, Next, 2, Stayed);
        row("count NaN counts as 1", ramp, 0, Next, qQNaN(), Closed);
        row("count 3.5, half to even", ramp, 0, Next, 3.5, Done, 0, "0/40 3.5/20 6.5/40");
        row("count far too high", ramp, 0, Next, 1e12, Stayed, -1, {}, kTooManyForTimeText);
        row("fills the list to 1024", big, 0, Next, 25, Done, 0, QString("0/40 ").repeated(25));
        row("one line over 1024", big, 0, Next, 26, Stayed, -1, {}, kTooManyForListText);
        row("junk source", {"junk", line(0, 100)}, 0, Next, 2, Stayed, -1, {}, kUnreadableText);
        row("marks", {mark(line(0, 100)), mark(line(10, 100))}, 0, Next, 2, Done, 0, "0/60 5/40");
        row("Load form", {loaded(0), loaded(5)}, 0, Next, 2, Done, 0, "0/60 2.5/40");
        // 0 to 50 degrees (100 units) over 100 ms in 4 steps. The curve moves the positions
        // only; the durations are the worked example's.
        const QStringList up{line(0, 100), line(50, 100)};
        const QStringList down{line(50, 100), line(0, 100)};
        row("ease in", up, 0, Next, 4, Done, 0, "0/20 3/40 12.5/20 28/20", {}, Curve::EaseIn);
        row("ease out", up, 0, Next, 4, Done, 0, "0/20 22/40 37.5/20 47/20", {}, Curve::EaseOut);
        row("ease in-out", up, 0, Next, 4, Done, 0, "0/20 6/40 25/20 44/20", {}, Curve::EaseInOut);
        row("ease in-out falling", down, 0, Next, 4, Done, 0, "50/20 44/40 25/20 6/20", {},
            Curve::EaseInOut);
    }
    void table() {
        QFETCH(Case, c);
        const Result r =
            interpolate(c.list, c.selected, c.direction, c.count, QLocale::c(), c.curve);
        QCOMPARE(r.outcome, c.expected.outcome);
        QCOMPARE(r.sourceIndex, c.expected.sourceIndex);
        QCOMPARE(r.newLines, c.expected.newLines);
        QCOMPARE(r.messageTitle, c.expected.messageTitle);
        QCOMPARE(r.messageText, c.expected.messageText);
    }
};

QTEST_GUILESS_MAIN(TestInterpolation)
#include "tst_interpolation.moc"
