#include "core/NumberText.h"
#include "core/sequence/StepLine.h"

#include <QLocale>
#include <QTest>

#include <limits>

using stepline::StepValues;

namespace {

const QString kTab = QStringLiteral("\t");
const QString kDeg = QStringLiteral(" \u00B0");

// Twelve position fields with the given degree texts (repeating the last), then the duration.
QString lineOf(const QStringList& degrees, const QString& duration) {
    QString line;
    for (int k = 0; k < kChannelCount; ++k) {
        line += degrees.value(k, degrees.last()) + kDeg + kTab;
    }
    return line + duration;
}

QList<int> listOf(const std::optional<StepValues>& values) {
    return values ? QList<int>(values->begin(), values->end()) : QList<int>();
}

QList<int> expected(const QList<int>& positions, int duration) {
    QList<int> v;
    for (int k = 0; k < kChannelCount; ++k) {
        v.append(positions.value(k, positions.last()));
    }
    v.append(duration);
    return v;
}

StepRecord recordOf(const QList<int>& positions, int duration) {
    StepRecord r{};
    for (int k = 0; k < kChannelCount; ++k) {
        r[k] = positions.value(k, positions.last());
    }
    r[kDurationField] = duration;
    return r;
}

} // namespace

class TestStepLine : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void parse_data();
    void parse();
    void parseCommaLocale_data();
    void parseCommaLocale();
    void everyPositionRoundTrips_data();
    void everyPositionRoundTrips();

    void addForm();
    void readBackForm();
    void loadForm_data();
    void loadForm();
    void loadFormExtremesDoNotOverflow();
    void commaLocaleForms();

    void breakMark();
    void stepLabel();
};

void TestStepLine::parse_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QList<int>>("values"); // empty: unreadable

    const QList<int> centre500 = expected({128}, 500);
    QTest::newRow("add form") << lineOf({"0"}, "500 ms") << centre500;
    QTest::newRow("read-back form") << lineOf({"0"}, "500 ms\t") << centre500;
    QTest::newRow("load form, two spaces") << lineOf({"0"}, "500  ms\t") << centre500;
    QTest::newRow("add form with mark") << lineOf({"0"}, "500 ms\tBREAK!") << centre500;
    QTest::newRow("load form with mark") << lineOf({"0"}, "500  ms\t\tBREAK!") << centre500;
    QTest::newRow("fields after the thirteenth") << lineOf({"0"}, "500 ms\tx\ty") << centre500;
    QTest::newRow("duration without suffix") << lineOf({"0"}, "500") << centre500;
    QTest::newRow("spaces around duration") << lineOf({"0"}, "  500  ms") << centre500;

    QTest::newRow("half degrees") << lineOf({"0.5", "-0.5", "-64", "63.5"}, "20 ms")
                                  << expected({129, 127, 0, 255}, 20);
    QTest::newRow("floor, not rounding")
        << lineOf({"0.25", "-0.25", "0.75", "-63.75"}, "20 ms") << expected({128, 127, 129, 0}, 20);
    QTest::newRow("outside a byte is kept")
        << lineOf({"100", "-100"}, "20 ms") << expected({328, -72}, 20);
    QTest::newRow("duration 20.5 to even") << lineOf({"0"}, "20.5 ms") << expected({128}, 20);
    QTest::newRow("duration 21.5 to even") << lineOf({"0"}, "21.5 ms") << expected({128}, 22);
    QTest::newRow("duration -0.5 to even") << lineOf({"0"}, "-0.5 ms") << expected({128}, 0);
    QTest::newRow("largest position")
        << lineOf({"1073741759.5"}, "1 ms") << expected({std::numeric_limits<qint32>::max()}, 1);
    QTest::newRow("largest duration")
        << lineOf({"0"}, "2147483647 ms") << expected({128}, std::numeric_limits<qint32>::max());

    const QList<int> none;
    QTest::newRow("empty line") << QString() << none;
    QTest::newRow("twelve fields") << lineOf({"0"}, QString()).chopped(1) << none;
    QTest::newRow("empty duration") << lineOf({"0"}, QString()) << none;
    QTest::newRow("empty position") << QString(lineOf({"0"}, "500 ms")).replace(0, 3, "") << none;
    QTest::newRow("letters in a position") << lineOf({"abc"}, "500 ms") << none;
    QTest::newRow("degree sign without blank")
        << QString(lineOf({"0"}, "500 ms")).replace(kDeg, QStringLiteral("\u00B0")) << none;
    QTest::newRow("letters in duration") << lineOf({"0"}, "5x0 ms") << none;
    QTest::newRow("digit grouping") << lineOf({"1,000"}, "500 ms") << none;
    QTest::newRow("comma in dot locale") << lineOf({"0,5"}, "500 ms") << none;
    QTest::newRow("position beyond 32 bits") << lineOf({"1073741760"}, "1 ms") << none;
    QTest::newRow("huge position") << lineOf({"1e300"}, "1 ms") << none;
    QTest::newRow("huge negative position") << lineOf({"-1e300"}, "1 ms") << none;
    QTest::newRow("duration beyond 32 bits") << lineOf({"0"}, "2147483647.5 ms") << none;
    QTest::newRow("huge duration") << lineOf({"0"}, "1e20 ms") << none;
    QTest::newRow("overflowing duration") << lineOf({"0"}, "1e999 ms") << none;
    QTest::newRow("nan duration") << lineOf({"0"}, "nan ms") << none;
    QTest::newRow("infinite position") << lineOf({"inf"}, "1 ms") << none;
}

void TestStepLine::parse() {
    QFETCH(QString, line);
    QFETCH(QList<int>, values);
    QCOMPARE(listOf(stepline::ParseStepLine(line)), values);
}

void TestStepLine::parseCommaLocale_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QList<int>>("values");

    QTest::newRow("comma halves") << lineOf({"0,5", "-0,5", "-64", "63,5"}, "500 ms")
                                  << expected({129, 127, 0, 255}, 500);
    QTest::newRow("comma duration to even") << lineOf({"0"}, "20,5 ms\t") << expected({128}, 20);
    QTest::newRow("load form") << lineOf({"22,5"}, "500  ms\t") << expected({173}, 500);
    QTest::newRow("dot in comma locale") << lineOf({"0.5"}, "500 ms") << QList<int>();
    QTest::newRow("grouping dot in duration") << lineOf({"0"}, "1.000 ms") << QList<int>();
}

void TestStepLine::parseCommaLocale() {
    QFETCH(QString, line);
    QFETCH(QList<int>, values);
    QLocale::setDefault(QLocale(QLocale::German));
    QCOMPARE(listOf(stepline::ParseStepLine(line)), values);
}

void TestStepLine::everyPositionRoundTrips_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("dot") << QLocale::c();
    QTest::newRow("comma") << QLocale(QLocale::German);
}

void TestStepLine::everyPositionRoundTrips() {
    QFETCH(QLocale, locale);
    QLocale::setDefault(locale);
    QList<int> positions;
    for (int b = 0; b <= 255; ++b) {
        positions.append(b);
    }
    positions << std::numeric_limits<qint32>::min() << std::numeric_limits<qint32>::max();
    for (const int b : positions) {
        StepRecord r = recordOf({b}, 40);
        const std::optional<StepValues> back = stepline::ParseStepLine(stepline::readBackForm(r));
        QVERIFY2(back.has_value(), qPrintable(QString::number(b)));
        QCOMPARE((*back)[0], b);
    }
}

void TestStepLine::addForm() {
    std::array<QString, kChannelCount> readouts;
    readouts.fill(numbertext::degreeReadout(128));
    QCOMPARE(stepline::addForm(readouts, 500), lineOf({"0"}, "500 ms"));
    QCOMPARE(stepline::addForm(readouts, 20.5), lineOf({"0"}, "20.5 ms"));
    QCOMPARE(stepline::addForm(readouts, 1000000), lineOf({"0"}, "1000000 ms"));

    for (int k = 0; k < kChannelCount; ++k) {
        readouts[k] = numbertext::degreeReadout(129 + k);
    }
    const std::optional<StepValues> back = stepline::ParseStepLine(stepline::addForm(readouts, 60));
    QVERIFY(back.has_value());
    for (int k = 0; k < kChannelCount; ++k) {
        QCOMPARE((*back)[k], 129 + k);
    }
    QCOMPARE((*back)[kDurationField], 60);
}

void TestStepLine::readBackForm() {
    const StepRecord r = recordOf({129, 127, 0, 255, 128}, 1000);
    QCOMPARE(stepline::readBackForm(r), lineOf({"0.5", "-0.5", "-64", "63.5", "0"}, "1000 ms\t"));
}

void TestStepLine::loadForm_data() {
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("line"); // null: refused

    const QStringList centre(kChannelCount, QStringLiteral("128"));
    QTest::newRow("as split from a file")
        << (centre + QStringList{"500", ""}) << lineOf({"0"}, "500  ms\t");
    QTest::newRow("extra fields dropped")
        << (centre + QStringList{"500", "7", "BREAK!"}) << lineOf({"0"}, "500  ms\t");
    QTest::newRow("halves") << (QStringList{"129", "127", "0", "255"} + centre.mid(4) +
                                QStringList{"500", ""})
                            << lineOf({"0.5", "-0.5", "-64", "63.5", "0"}, "500  ms\t");
    QTest::newRow("duration exactly as read")
        << (centre + QStringList{"-20"}) << lineOf({"0"}, "-20  ms\t");
    QTest::newRow("twelve fields") << centre << QString();
    QTest::newRow("blank line") << QStringList{""} << QString();
    QTest::newRow("position not a number")
        << (QStringList{"12a"} + centre.mid(1) + QStringList{"500"}) << QString();
    QTest::newRow("position beyond 32 bits")
        << (QStringList{"2147483648"} + centre.mid(1) + QStringList{"500"}) << QString();
    QTest::newRow("duration not a number") << (centre + QStringList{"abc", ""}) << QString();
    QTest::newRow("duration empty") << (centre + QStringList{"", ""}) << QString();
}

void TestStepLine::loadForm() {
    QFETCH(QStringList, fields);
    QFETCH(QString, line);
    const std::optional<QString> made = stepline::loadForm(fields);
    QCOMPARE(made.value_or(QString()), line);
}

void TestStepLine::loadFormExtremesDoNotOverflow() {
    QStringList fields(kChannelCount, QString::number(std::numeric_limits<qint32>::min()));
    fields.append("500");
    const std::optional<QString> line = stepline::loadForm(fields);
    QVERIFY(line.has_value());
    QCOMPARE((*stepline::ParseStepLine(*line))[0], std::numeric_limits<qint32>::min());
}

void TestStepLine::commaLocaleForms() {
    QLocale::setDefault(QLocale(QLocale::German));
    std::array<QString, kChannelCount> readouts;
    readouts.fill(numbertext::degreeReadout(129));
    QCOMPARE(stepline::addForm(readouts, 20.5), lineOf({"0,5"}, "20,5 ms"));
    QCOMPARE(stepline::readBackForm(recordOf({127}, 1000)), lineOf({"-0,5"}, "1000 ms\t"));

    QStringList fields(kChannelCount, QStringLiteral("255"));
    fields << "500"
           << "";
    QCOMPARE(stepline::loadForm(fields).value_or(QString()), lineOf({"63,5"}, "500  ms\t"));
    QCOMPARE(stepline::readDegreeField(u"22,5 \u00B0").value_or(0), 22.5);
    QCOMPARE(stepline::readDurationField(u"20,5 ms").value_or(0), 20.5);
}

void TestStepLine::breakMark() {
    const QString added = lineOf({"0"}, "500 ms");
    const QString marked = stepline::withBreakMark(added);
    QCOMPARE(marked, added + "\tBREAK!");
    QVERIFY(stepline::hasBreakMark(marked));
    QVERIFY(!stepline::hasBreakMark(added));
    QCOMPARE(stepline::withoutBreakMarks(marked), added);

    const QString loaded = lineOf({"0"}, "500  ms\t");
    QVERIFY(stepline::withBreakMark(loaded).endsWith("ms\t\tBREAK!"));
    QCOMPARE(stepline::withoutBreakMarks(stepline::withBreakMark(loaded)), loaded);

    QCOMPARE(stepline::withoutBreakMarks(added + "\tBREAK!\tBREAK!"), added);
    QCOMPARE(stepline::withoutBreakMarks(added + "\tbreak!"), added + "\tbreak!");
    QCOMPARE(stepline::withoutBreakMarks(added + "BREAK!"), added + "BREAK!");
}

void TestStepLine::stepLabel() {
    QCOMPARE(stepline::stepLabel(3), QStringLiteral("Step N\u00B0 3"));
    QCOMPARE(stepline::stepLabel(-1), QStringLiteral("Step N\u00B0 -1"));
    QCOMPARE(stepline::kStepLabelInitial, QStringLiteral("Step N\u00B0 ..."));
}

QTEST_GUILESS_MAIN(TestStepLine)
#include "tst_stepline.moc"
