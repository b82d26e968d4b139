#include "support/FormRig.h"

#include "ui/sequence/SequenceController.h"
#include "ui/shell/NumericField.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/StepLineDelegate.h"
#include "ui/shell/StepListHeader.h"

#include <QAccessible>
#include <QAction>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

namespace {
// The widest texts a line can hold, and a breakpoint.
const QString kExtremeLine = QString::fromUtf8(
    "-63.5 °\t63.5 °\t-64 °\t-63.5 °\t63.5 °\t-64 °\t-63.5 °\t63.5 °\t-64 °\t-63.5 °\t63.5 °\t"
    "-64 °\t1000000 ms\tBREAK!");
const QStringList kExtremeCells{"-63.5", "63.5", "-64",   "-63.5", "63.5", "-64",    "-63.5",
                                "63.5",  "-64",  "-63.5", "63.5",  "-64",  "1000000"};
const QString kPlainLine = QString::fromUtf8("0 °\t").repeated(12) + QStringLiteral("20 ms");

QStyleOptionViewItem optionFor(const StepListView* view, int row) {
    QStyleOptionViewItem opt;
    opt.initFrom(view);
    opt.font = view->font();
    opt.rect = view->visualRect(view->model()->index(row, 0));
    opt.widget = view;
    return opt;
}
} // namespace

// The step list as a table: columns that fit the list, a header over them, the marks in the
// gutter, and the lines' text left as it is.
class TestStepList : public QObject {
    Q_OBJECT
private slots:
    void columnsFitTheList_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("everyFrame");
        QTest::addColumn<QSize>("resizedTo");
        QTest::newRow("1280x800, frames as at start") << QSize(1280, 800) << false << QSize();
        QTest::newRow("1280x800, every frame") << QSize(1280, 800) << true << QSize();
        QTest::newRow("1920x1080, every frame") << QSize(1920, 1080) << true << QSize();
        QTest::newRow("1920x1080 narrowed to 1280x800")
            << QSize(1920, 1080) << true << QSize(1280, 800);
        QTest::newRow("smallest window, every frame") << QSize(1280, 800) << true << QSize(1, 1);
    }
    void columnsFitTheList() {
        QFETCH(QSize, size);
        QFETCH(bool, everyFrame);
        QFETCH(QSize, resizedTo);
        FormRig rig(false);
        MainWindow& f = *rig.form;
        for (int i = 0; i < 40; ++i) {
            QVERIFY(f.panel().list().insertLine(0, kPlainLine));
        }
        QVERIFY(f.panel().list().insertLine(39, kExtremeLine));
        f.resize(size);
        f.show();
        if (everyFrame) {
            f.menus().flashFramesAction->trigger();
            f.menus().serialDebugAction->trigger();
        }
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        if (resizedTo.isValid()) {
            f.resize(resizedTo);
            QCoreApplication::processEvents();
            QVERIFY(f.width() <= 1280);
        }
        StepListView* view = f.sideColumn().stepList;
        view->scrollTo(f.panel().list().index(39));
        QCOMPARE(view->horizontalScrollBar()->maximum(), 0);

        const QStyleOptionViewItem opt = optionFor(view, 39);
        const QModelIndex line = f.panel().list().index(39);
        const StepLineDelegate* delegate = view->stepDelegate();
        const StepColumns cols = delegate->columns(opt);
        const QRect viewport = view->viewport()->rect();
        QVERIFY(viewport.contains(opt.rect.topLeft()));
        for (int c = StepColumns::Mark; c < StepColumns::Count; ++c) {
            QVERIFY2(viewport.contains(cols.cell(c, opt.rect)), qPrintable(QString::number(c)));
        }
        const QFontMetrics metrics(cols.font());
        for (int c = StepColumns::FirstChannel; c < StepColumns::Count; ++c) {
            const QRect text = delegate->textRect(opt, line, c);
            const QString cell = kExtremeCells[c - StepColumns::FirstChannel];
            QVERIFY2(cols.cell(c, opt.rect).contains(text), qPrintable(cell));
            QCOMPARE(text.width(), metrics.horizontalAdvance(cell)); // whole, not squeezed
        }
        QVERIFY(viewport.contains(delegate->breakMarkRect(opt, line)));
        QVERIFY(!delegate->breakMarkRect(opt, line).isEmpty());
        QVERIFY(delegate->breakMarkRect(opt, f.panel().list().index(38)).isEmpty());

        auto* header = f.findChild<StepListHeader*>(QStringLiteral("ListSequenceHeader"));
        QVERIFY(header && header->isVisible());
        QCOMPARE(header->accessibleName(), QStringLiteral("Sequence columns"));
        const StepColumns above = header->columns();
        for (int c = StepColumns::Mark; c < StepColumns::Count; ++c) {
            const QPoint shown =
                header->mapTo(&f, QPoint(header->columnsOrigin() + above.left(c), 0));
            QCOMPARE(shown.x(), view->viewport()->mapTo(&f, cols.cell(c, opt.rect).topLeft()).x());
            QCOMPARE(above.width(c), cols.width(c));
        }
        QVERIFY(header->geometry().bottom() < view->geometry().top());
    }

    // What the list holds, and so what a screen reader reads, is the line as Add writes it.
    void lineTextStaysAsWritten() {
        FormRig rig(false);
        MainWindow& f = *rig.form;
        for (int k = 0; k < kChannelCount; ++k) {
            f.channelsFrame().sliders[k]->setValue(k == 0 ? 0 : k == 1 ? 255 : 129);
        }
        f.channelsFrame().stepDuration->setValue(1000000);
        f.bufferEditFrame().addButton->click();
        f.pcEmuFrame().breakButton->click();
        const QString expected = QString::fromUtf8(
            "-64 °\t63.5 °\t0.5 °\t0.5 °\t0.5 °\t0.5 °\t0.5 °\t0.5 °\t0.5 °\t0.5 °\t0.5 °\t"
            "0.5 °\t1000000 ms\tBREAK!");
        QCOMPARE(f.panel().list().index(0).data().toString(), expected);
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(f.sideColumn().stepList);
        QVERIFY(list && list->childCount() == 1);
        QCOMPARE(list->child(0)->text(QAccessible::Name), expected);
        QCOMPARE(f.sideColumn().stepList->objectName() + '/' + list->text(QAccessible::Name),
                 QStringLiteral("ListSequence/Sequence"));
    }

    // The arrow marks the step ShowStep last showed, follows its line, and goes with it.
    void shownStepFollowsItsLine_data() {
        QTest::addColumn<QString>("then");
        QTest::addColumn<int>("shown");
        QTest::newRow("another line selected") << "select 1" << 3;
        QTest::newRow("a line moved from above to below") << "move 0 4" << 2;
        QTest::newRow("a line moved from below to above") << "move 4 0" << 4;
        QTest::newRow("its line edited") << "set 3" << 3;
        QTest::newRow("its line removed") << "remove 3" << -1;
        QTest::newRow("a line above removed") << "remove 0" << 2;
        QTest::newRow("the list replaced") << "reset" << -1;
    }
    void shownStepFollowsItsLine() {
        QFETCH(QString, then);
        FormRig rig(false);
        MainWindow& f = *rig.form;
        QVERIFY(f.panel().list().setLines(QStringList(5, kPlainLine)));
        f.panel().list().setSelectedIndex(3);
        f.sequenceController().showSelectedStep();
        QCOMPARE(f.sideColumn().stepList->shownStep(), 3);
        const QStringList words = then.split(' ');
        const int a = words.value(1).toInt();
        if (words[0] == "select") {
            f.panel().list().setSelectedIndex(a);
        } else if (words[0] == "move") {
            QVERIFY(f.panel().list().moveLine(a, words.value(2).toInt()));
        } else if (words[0] == "set") {
            QVERIFY(f.panel().list().setLine(a, kExtremeLine));
        } else if (words[0] == "remove") {
            QVERIFY(f.panel().list().removeLine(a));
        } else {
            QVERIFY(f.panel().list().setLines(QStringList(5, kPlainLine)));
        }
        QTEST(f.sideColumn().stepList->shownStep(), "shown");
    }

    // A breakpoint, the step shown and the selection each look different in the mark column,
    // alone and together, so none hides another.
    void marksAreToldApart() {
        FormRig rig(false);
        MainWindow& f = *rig.form;
        f.resize(1280, 800);
        f.show();
        QVERIFY(f.panel().list().setLines({kPlainLine, kExtremeLine}));
        StepListView* view = f.sideColumn().stepList;
        const StepLineDelegate* delegate = view->stepDelegate();
        QList<QImage> gutters;
        for (const bool selected : {false, true}) {
            for (const int row : {0, 1}) { // without and with a breakpoint
                for (const bool shown : {false, true}) {
                    view->setShownStep(shown ? row : -1);
                    QStyleOptionViewItem opt = optionFor(view, row);
                    opt.state |= selected ? QStyle::State_Selected : QStyle::State_None;
                    QImage image(view->viewport()->size(), QImage::Format_ARGB32);
                    image.fill(Qt::white);
                    QPainter painter(&image);
                    delegate->paint(&painter, opt, f.panel().list().index(row));
                    painter.end();
                    // The step numbers differ between the rows; the mark column alone counts.
                    gutters << image.copy(delegate->columns(opt).cell(StepColumns::Mark, opt.rect));
                }
            }
        }
        // The tint of the step shown covers the gutter whether the line is selected or not: the
        // selection shows in the line's other columns.
        for (int i = 0; i < gutters.size(); ++i) {
            for (int j = i + 1; j < gutters.size(); ++j) {
                const bool shownBoth = i % 2 == 1 && j == i + 4;
                QVERIFY2(shownBoth || gutters[i] != gutters[j],
                         qPrintable(QStringLiteral("%1 %2").arg(i).arg(j)));
            }
        }
    }
};

QTEST_MAIN(TestStepList)
#include "tst_steplist.moc"
