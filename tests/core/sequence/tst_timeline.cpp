#include "core/sequence/SequenceList.h"
#include "core/sequence/Timeline.h"

#include <QTest>

namespace {

// Channel 1 at the given angle text, the others at 0°.
QString line(const QString& ch1, const QString& duration) {
    return QStringLiteral("0 \u00B0\t") + ch1 + QStringLiteral(" \u00B0\t") +
           QStringLiteral("0 \u00B0\t").repeated(kChannelCount - 2) + duration;
}

// 500 ms at 22.5°, 250 ms at -64° with a breakpoint, 1 s at 63.5° (the last one loaded).
void fillThreeSteps(SequenceList& list) {
    QVERIFY(list.setLines({line(QStringLiteral("22.5"), QStringLiteral("500 ms")),
                           line(QStringLiteral("-64"), QStringLiteral("250 ms\tBREAK!")),
                           line(QStringLiteral("63.5"), QStringLiteral("1000  ms\t"))}));
}

// Steps of these durations, all at 128 but for channel 0.
Timeline timelineOf(const QList<int>& durations, const QList<int>& ch0 = {}) {
    std::vector<Timeline::Step> steps(size_t(durations.size()));
    for (size_t i = 0; i < steps.size(); ++i) {
        steps[i].durationMs = durations[qsizetype(i)];
        steps[i].positions.fill(128);
        steps[i].positions[0] = ch0.value(qsizetype(i), 128);
    }
    Timeline t;
    t.setSteps(std::move(steps));
    return t;
}

} // namespace

class TestTimeline : public QObject {
    Q_OBJECT

private slots:
    void layoutOfThreeSteps() {
        SequenceList list;
        fillThreeSteps(list);
        Timeline t;
        t.rebuild(list);
        QCOMPARE(t.count(), 3);
        QCOMPARE(t.totalMs(), 1750);
        QCOMPARE(t.step(2).startMs, 750);
        QCOMPARE(t.step(1).breakpoint, true);
        QCOMPARE(t.step(2).breakpoint, false);
        const QList<QPointF> ch1 = {{0, 22.5},   {0.5, 22.5},  {0.5, -64},
                                    {0.75, -64}, {0.75, 63.5}, {1.75, 63.5}};
        QCOMPARE(t.staircase(1), ch1);
        QCOMPARE(t.staircase(0), QList<QPointF>({{0, 0}, {1.75, 0}}));
        list.setLine(2, line(QStringLiteral("-64"), QStringLiteral("40 ms")));
        t.rebuild(list);
        const QList<QPointF> held = {{0, 22.5}, {0.5, 22.5}, {0.5, -64}, {0.79, -64}};
        QCOMPARE(t.staircase(1), held);
        QVERIFY(t.channelMoves(1));
        QVERIFY(!t.channelMoves(0));
    }

    void stepAtTime_data() {
        QTest::addColumn<QList<int>>("durations");
        QTest::addColumn<double>("ms");
        QTest::addColumn<int>("step");

        const QList<int> three = {500, 250, 1000};
        QTest::newRow("before the start") << three << -0.5 << -1;
        QTest::newRow("at the start") << three << 0.0 << 0;
        QTest::newRow("start of the second") << three << 500.0 << 1;
        QTest::newRow("at the end") << three << 1750.0 << -1;
        // Steps that take no time cannot be pointed at: the one after them holds the pose.
        const QList<int> empty = {500, 0, -20, 300};
        QTest::newRow("zero and negative take no time") << empty << 500.0 << 3;
        QTest::newRow("no steps") << QList<int>{} << 0.0 << -1;
    }
    void stepAtTime() {
        QFETCH(QList<int>, durations);
        QFETCH(double, ms);
        QFETCH(int, step);
        QCOMPARE(timelineOf(durations).stepAt(ms), step);
    }

    void summary_data() {
        QTest::addColumn<QList<int>>("durations");
        QTest::addColumn<QList<int>>("ch0");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("summary");

        QTest::newRow("moving, comma") << QList<int>{1000, 1250} << QList<int>{128, 129} << "de_DE"
                                       << "2 steps, 2,25 s in total; channels that move: Ch0.";
        // A file can hold durations whose sum passes 2^31 ms; the total must not wrap.
        QTest::newRow("long") << QList<int>{2000000000, 2000000000} << QList<int>{128, 128} << "C"
                              << "2 steps, 4000000 s in total; no channel moves.";
    }
    void summary() {
        QFETCH(QList<int>, durations);
        QFETCH(QList<int>, ch0);
        QFETCH(QString, locale);
        QFETCH(QString, summary);
        QCOMPARE(timelineOf(durations, ch0).summary(QLocale(locale)), summary);
    }

    void hoverTextOfAStep() {
        SequenceList list;
        fillThreeSteps(list);
        Timeline t;
        t.rebuild(list);
        QCOMPARE(t.describeStep(1),
                 QStringLiteral("Step 1 at 0.5 s, 250 ms, BREAK!\n"
                                "Ch0 0 \u00B0   Ch1 -64 \u00B0   Ch2 0 \u00B0   Ch3 0 \u00B0\n"
                                "Ch4 0 \u00B0   Ch5 0 \u00B0   Ch6 0 \u00B0   Ch7 0 \u00B0\n"
                                "Ch8 0 \u00B0   Ch9 0 \u00B0   Ch10 0 \u00B0   Ch11 0 \u00B0"));
        std::array<QString, kChannelCount> labels;
        for (int c = 0; c < kChannelCount; ++c) {
            labels[size_t(c)] = QStringLiteral("Ch%1").arg(c);
        }
        labels[1] = QStringLiteral("Ch1 (elbow)");
        QVERIFY(t.describeStep(1, QLocale::c(), labels)
                    .contains(
                        QStringLiteral("\nCh0 0 \u00B0   Ch1 (elbow) -64 \u00B0   Ch2 0 \u00B0")));

        // A step the channel limits change carries the list's reason, for its mark and its hover
        // text.
        list.setMarkReason([](const stepline::StepValues& v) {
            return v[1] < 100 ? QStringLiteral("Ch1 0 below its minimum 100") : QString();
        });
        t.rebuild(list);
        QCOMPARE(t.step(0).limited, QString());
        QVERIFY(t.describeStep(1).startsWith(QStringLiteral(
            "Step 1 at 0.5 s, 250 ms, BREAK!\nLimited: Ch1 0 below its minimum 100\nCh0")));
    }

    // A drag on the timeline changes one duration: the steps after it move by the time it gains,
    // counting a negative duration (a file can hold one) as none.
    void durationInPlace_data() {
        QTest::addColumn<QList<int>>("durations");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("ms");
        QTest::addColumn<QList<qint64>>("starts");
        QTest::addColumn<qint64>("total");

        const QList<int> three = {500, 250, 1000};
        QTest::newRow("longer") << three << 0 << 740 << QList<qint64>{0, 740, 990} << qint64(1990);
        QTest::newRow("shorter") << three << 1 << 20 << QList<qint64>{0, 500, 520} << qint64(1520);
        QTest::newRow("the last") << three << 2 << 40 << QList<qint64>{0, 500, 750} << qint64(790);
        QTest::newRow("from a negative one")
            << QList<int>{500, -20, 300} << 1 << 60 << QList<qint64>{0, 500, 560} << qint64(860);
        QTest::newRow("to a negative one")
            << three << 1 << -20 << QList<qint64>{0, 500, 500} << qint64(1500);
    }
    void durationInPlace() {
        QFETCH(QList<int>, durations);
        QFETCH(int, step);
        QFETCH(int, ms);
        QFETCH(QList<qint64>, starts);
        QFETCH(qint64, total);
        Timeline t = timelineOf(durations);
        t.setDuration(step, ms);
        QList<qint64> got;
        for (int i = 0; i < t.count(); ++i) {
            got << t.step(i).startMs;
        }
        QCOMPARE(got, starts);
        QCOMPARE(t.totalMs(), total);
        QCOMPARE(t.step(step).durationMs, ms);
    }

    void snapping_data() {
        QTest::addColumn<double>("ms");
        QTest::addColumn<int>("grid");
        QTest::addColumn<int>("duration");

        QTest::newRow("437 on 20 ms") << 437.0 << 20 << 440;
        QTest::newRow("429 on 20 ms") << 429.0 << 20 << 420;
        QTest::newRow("halfway goes up") << 30.0 << 20 << 40;
        QTest::newRow("437.4 on 1 ms") << 437.4 << 1 << 437;
        QTest::newRow("below the least") << 9.0 << 20 << 20;
        QTest::newRow("negative") << -300.0 << 1 << 20;
        QTest::newRow("above the most") << 1000013.0 << 20 << 1000000;
    }
    void snapping() {
        QFETCH(double, ms);
        QFETCH(int, grid);
        QFETCH(int, duration);
        QCOMPARE(Timeline::snappedDuration(ms, grid), duration);
    }
};

QTEST_GUILESS_MAIN(TestTimeline)
#include "tst_timeline.moc"
