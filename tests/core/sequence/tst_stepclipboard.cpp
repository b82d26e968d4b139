#include "core/sequence/SequenceList.h"
#include "core/sequence/StepClipboard.h"

#include <QTest>

namespace {

const QString kZero = QStringLiteral("0 \u00B0\t");

// Two steps as the clipboard carries them: all channels at 0 degrees for 500 ms, then channel
// 0 at 0.5 degrees, channel 11 at -64 degrees, for 20 ms.
const QString kTwoSteps =
    QStringLiteral("128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t500\t\r\n"
                   "129\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t0\t20\t\r\n");

// The same two steps as list lines of the Load form.
const QStringList kTwoLines{kZero.repeated(12) + QStringLiteral("500  ms\t"),
                            QStringLiteral("0.5 \u00B0\t") + kZero.repeated(10) +
                                QStringLiteral("-64 \u00B0\t20  ms\t")};

} // namespace

class TestStepClipboard : public QObject {
    Q_OBJECT

private slots:
    // Rows in the order given; a breakpoint mark stays behind, a fractional duration goes as
    // the whole number the table holds.
    void copiedText() {
        SequenceList list;
        QVERIFY(list.setLines({kZero.repeated(12) + QStringLiteral("499.5 ms\tBREAK!"),
                               QStringLiteral("1 \u00B0\t") + kZero.repeated(11) + "9 ms",
                               kTwoLines[1]}));
        QCOMPARE(stepclipboard::text(list, {2, 0, 3}),
                 QStringLiteral(
                     "129\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t0\t20\t\r\n"
                     "128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t500\t\r\n"));
    }

    void read_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("error");
        const QString none;
        QTest::newRow("as copied") << kTwoSteps << kTwoLines << none;
        // A spreadsheet gives its cells back TAB-separated, without a TAB after the last, with
        // LF line ends and often no end on the last line.
        QTest::newRow("spreadsheet, LF only")
            << QStringLiteral("128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t500\n"
                              "129\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t0\t20")
            << kTwoLines << none;
        QTest::newRow("blank lines at the end") << kTwoSteps + "\r\n\n" << kTwoLines << none;
        QTest::newRow("empty") << QString() << QStringList() << none;
        QTest::newRow("twelve values on line 2")
            << kTwoSteps.left(kTwoSteps.indexOf('\n') + 1) +
                   "1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\n"
            << QStringList()
            << "Line 2 of the clipboard cannot be read: it has fewer than 13 values. Nothing was "
               "pasted.";
        QTest::newRow("blank line inside") << "\r\n" + kTwoSteps << QStringList()
                                           << "Line 1 of the clipboard cannot be read: it has "
                                              "fewer than 13 values. Nothing was pasted.";
        QTest::newRow("degrees, not units")
            << QString(kTwoLines[0] + "\r\n") << QStringList()
            << "Line 1 of the clipboard cannot be read: one of its values is not a whole number. "
               "Nothing was pasted.";
    }
    void read() {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QFETCH(QString, error);
        const stepclipboard::Reading reading = stepclipboard::read(text, QLocale::c());
        QCOMPARE(reading.lines, lines);
        QCOMPARE(reading.error, error);
    }

    // A paste that would pass 1024 lines is refused whole; the reader stops one line past
    // what could ever fit.
    void limit() {
        QVERIFY(!stepclipboard::overflows(1, 1023));
        QVERIFY(stepclipboard::overflows(2, 1023));
        QVERIFY(!stepclipboard::overflows(1024, 0));
        const QString many = kTwoSteps.repeated(600);
        QCOMPARE(stepclipboard::read(many, QLocale::c()).lines.size(), 1025);
        QVERIFY(stepclipboard::overflows(1025, 0));
    }
};

QTEST_GUILESS_MAIN(TestStepClipboard)
#include "tst_stepclipboard.moc"
