#include "support/RampLines.h"

#include "core/BoardCommands.h"
#include "ui/interp/InterpController.h"
#include "ui/interp/InterpDialog.h"
#include "ui/panel/SequenceHistory.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/NumericField.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The Edit menu on the real window: every command that changes the sequence is one step that
// undo takes back and redo does again, exactly, without a byte to the board or a slider moved.
namespace {

// Two steps as the board stores them, behind their count.
const QByteArray kFlashRead = QByteArray::fromHex("001c8100ff") + QByteArray(9, char(128)) +
                              QByteArray::fromHex("0032") + QByteArray(12, char(128)) +
                              QByteArray::fromHex("0100");
const QString kLabel = QStringLiteral("Step N° 7");
const QString kTransferRefusal =
    QStringLiteral("The board is busy with a flash transfer; wait for it to end or Abort it.");

} // namespace

class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void init() {
        rig = std::make_unique<FormRig>();
        form()->show();
        form()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form()));
        form()->sideColumn().stepList->setFocus();
    }

    void commands_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("step"); // as the Edit menu names it; empty: no step
        const auto row = [](const char* name, const char* before, const char* command,
                            const char* step) {
            QTest::newRow(name) << QString(before) << QString(command) << QString(step);
        };

        row("add after the selection", "0 1* [2] 3", "CommandAdd", "Add");
        row("remove", "0 1* [2] 3", "CommandRem", "Remove");
        row("remove, nothing selected: breaks go", "0 1* 2", "CommandRem", "Remove");
        row("replace", "[0] 1 2*", "CommandReplace", "Replace");
        row("clear all", "0* 1 [2]* 3", "CommandClear", "Clear All");
        // The press selects the line it is on, so a drag starts with that line selected.
        row("drag with its break", "0 [1]* 2 3 4 5", "drag 1 4", "Move");
        row("click on a line", "0 1* [2] 3", "drag 3 3", "");
        row("set break", "0 [1] 2* 3", "CommandBrk", "Set/Reset Break");
        row("reset all breaks", "0* 1 [2]* 3", "CommandResBrk", "Reset  All Break");
        row("interpolate", "0 [1] 2* 3", "interpolate 3", "Interpolate");
        row("interpolate cancelled", "0 [1] 2* 3", "interpolate cancel", "");
        row("load", "0 1* [2]", "load file", "Load Buffer");
        row("load cancelled: breaks go", "0 1* [2]", "load cancel", "Load Buffer");
        // The file stays written; the breakpoints the save cleared come back.
        row("save: breaks go", "0 1* [2]", "save", "Reset  All Break");
        row("read back from flash", "0 1* [2]", "read", "Read Seq.");
    }

    // The keys in turn: Ctrl+Z, Ctrl+Shift+Z, Ctrl+Z, Ctrl+Y.
    void commands() {
        QFETCH(QString, before);
        QFETCH(QString, command);
        QFETCH(QString, step);
        set(before);
        MainWindow& f = *form();
        const QString was = seen();
        run(command);
        const QString now = seen();
        QCOMPARE(f.panel().history().stack().count(), step.isEmpty() ? 0 : 1);
        QCOMPARE(f.menus().undoAction->text(),
                 step.isEmpty() ? QStringLiteral("Undo") : "Undo " + step);
        QCOMPARE(f.menus().undoAction->isEnabled(), !step.isEmpty());
        QVERIFY(!f.menus().redoAction->isEnabled());
        QVERIFY(step.isEmpty() || now != was);

        const QString undone = step.isEmpty() ? now : was;
        // What undo leaves alone: the sliders and the step duration.
        const auto entry = [&f] {
            QList<double> values{f.channelsFrame().stepDuration->value()};
            for (SlideControl* slide : f.channelsFrame().sliders) {
                values << slide->value();
            }
            return values;
        };
        const QList<double> entered = entry();
        rig->port->clearWrites();
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(seen(), undone);
        QCOMPARE(f.menus().redoAction->text(),
                 step.isEmpty() ? QStringLiteral("Redo") : "Redo " + step);
        QCOMPARE(f.menus().redoAction->isEnabled(), !step.isEmpty());
        QCOMPARE(f.menus().undoAction->isEnabled(), false);
        key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(seen(), now);
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(seen(), undone);
        key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(seen(), now);
        QCOMPARE(f.menus().undoAction->text(),
                 step.isEmpty() ? QStringLiteral("Undo") : "Undo " + step);
        QCOMPARE(entry(), entered);
        QVERIFY(rig->port->writes.isEmpty());
    }

    // The interlock decides: no undo or redo while a flash transfer runs, the reason on the status
    // bar; during playback they run like any edit. Its other rules are the interlock's own test.
    void refusals() {
        set("0 [1] 2 3");
        MainWindow& f = *form();
        QTest::mouseClick(f.pcEmuFrame().breakButton, Qt::LeftButton);
        const QString marked = seen();
        const QStringList markedLines = f.panel().list().lines();
        QTest::mouseClick(f.bufferEditFrame().addButton, Qt::LeftButton);
        f.menus().undoAction->trigger();
        QCOMPARE(seen(), marked);

        // Asked while the read waits, before the board answers.
        QString during;
        QString reason;
        rig->port->onWrite = [&](const QByteArray& bytes) {
            if (bytes != QByteArray(1, char(board::FlashRead))) {
                return;
            }
            QMetaObject::invokeMethod(
                &f,
                [&] {
                    f.statusBar()->clearMessage();
                    f.menus().redoAction->trigger();
                    reason = f.statusBar()->currentMessage();
                    key(Qt::Key_Z, Qt::ControlModifier);
                    during = seen();
                    rig->port->inject(kFlashRead);
                },
                Qt::QueuedConnection);
        };
        f.flashFrame().readButton->click();
        QTRY_COMPARE(f.panel().list().count(), 2);
        QCOMPARE(during, marked);
        QCOMPARE(reason, kTransferRefusal);
        QCOMPARE(f.menus().undoAction->text(), QStringLiteral("Undo Read Seq."));

        f.pcEmuFrame().pcEmuSwitch->setValue(true);
        QVERIFY(f.panel().activities() & interlock::kPcPlayback);
        f.menus().undoAction->trigger();
        QCOMPARE(f.panel().list().lines(), markedLines);
        f.pcEmuFrame().pcEmuSwitch->setValue(false);
    }

    // At most 500 steps, and the oldest goes first; the byte bound drops the oldest too but never
    // the newest.
    void bound() {
        set("[0] 1");
        MainWindow& f = *form();
        for (int i = 1; i <= 501; ++i) { // odd counts leave line 0 marked
            f.pcEmuFrame().breakButton->click();
        }
        QCOMPARE(f.panel().history().stack().count(), 500);
        int undone = 0;
        while (f.menus().undoAction->isEnabled()) {
            f.menus().undoAction->trigger();
            ++undone;
        }
        QCOMPARE(undone, 500);
        QVERIFY(f.panel().list().hasBreakMark(0)); // the first step, which set it, is gone

        init();
        set("[0] 1");
        MainWindow& g = *form();
        g.pcEmuFrame().breakButton->click();
        const qint64 oneStep = g.panel().history().bytes();
        g.panel().history().setByteLimit(3 * oneStep + oneStep / 2);
        for (int i = 2; i <= 6; ++i) {
            g.pcEmuFrame().breakButton->click();
        }
        QCOMPARE(g.panel().history().stack().count(), 3);
        QVERIFY(g.panel().history().bytes() <= 3 * oneStep + oneStep / 2);
        for (int i = 0; i < 3; ++i) {
            g.menus().undoAction->trigger();
        }
        QVERIFY(!g.menus().undoAction->isEnabled());
        QVERIFY(g.panel().list().hasBreakMark(0)); // as after the third
        g.menus().redoAction->trigger();
        g.panel().history().setByteLimit(1);
        g.pcEmuFrame().breakButton->click();
        QCOMPARE(g.panel().history().stack().count(), 1);
        QCOMPARE(g.menus().undoAction->text(), QStringLiteral("Undo Set/Reset Break"));
    }

private:
    MainWindow* form() const { return rig->form.get(); }

    // Written as in the editor's tests: "0 1* [2] 3" are lines 0 to 3, line 2 selected, a
    // breakpoint on line 1.
    void set(const QString& state) {
        MainWindow& f = *form();
        const QStringList tokens = state.split(' ', Qt::SkipEmptyParts);
        QStringList lines;
        for (int i = 0; i < tokens.size(); ++i) {
            lines << rampLine(i);
        }
        QCOMPARE(f.panel().editor().replaceAll(lines), EditOutcome::Done);
        for (int i = 0; i < tokens.size(); ++i) {
            QVERIFY(!tokens[i].contains('*') ||
                    (f.panel().list().setSelectedIndex(i) && f.panel().editor().toggleBreak()));
        }
        const int selected = int(tokens.indexOf(QRegularExpression("\\[.*")));
        QVERIFY(f.panel().list().setSelectedIndex(selected));
        f.channelsFrame().stepLabel->setText(kLabel);
    }

    // All that undo gives back: the lines, the table as read from them, every flag, the
    // selection of the list and of the view, the label.
    QString seen() const {
        const MainWindow& f = *form();
        QStringList out;
        for (int i = 0; i < f.panel().list().count(); ++i) {
            QStringList values;
            for (int c = 0; c <= kDurationField; ++c) {
                values << QString::number(f.panel().editor().table()[i][c]);
            }
            out << f.panel().list().line(i) + " = " + values.join(' ');
        }
        QStringList flags;
        for (int row = 0; row < kTableRows; ++row) {
            if (f.panel().editor().table()[row][kBreakField] != 0) {
                flags << QString::number(row);
            }
        }
        out << "flags " + flags.join(',')
            << "selected " + QString::number(f.panel().list().selectedIndex()) + " view " +
                   QString::number(rig->viewSelection().value(0, -1))
            << "label " + f.channelsFrame().stepLabel->text();
        return out.join('\n');
    }

    void key(Qt::Key k, Qt::KeyboardModifiers m) {
        QTest::keyClick(form()->sideColumn().stepList, k, m);
    }

    void run(const QString& command) {
        MainWindow& f = *form();
        const QStringList c = command.split(' ');
        const QString& name = c[0];
        if (auto* button = f.findChild<QPushButton*>(name)) {
            QTest::mouseClick(button, Qt::LeftButton);
        } else if (name == "drag") {
            QWidget* viewport = f.sideColumn().stepList->viewport();
            const int from = c[1].toInt();
            const int to = c[2].toInt();
            QTest::mousePress(viewport, Qt::LeftButton, {}, rig->rowCentre(from));
            QTest::mouseMove(viewport, rig->rowCentre((from + to) / 2));
            QTest::mouseMove(viewport, rig->rowCentre(to));
            QTest::mouseRelease(viewport, Qt::LeftButton, {}, rig->rowCentre(to));
        } else if (name == "interpolate") {
            QTest::mouseClick(f.bufferEditFrame().interpolateButton, Qt::LeftButton);
            InterpDialog* dialog = f.interpController().dialog();
            QVERIFY(dialog);
            if (c[1] == "cancel") {
                QTest::mouseClick(dialog->cancelButton, Qt::LeftButton);
            } else {
                dialog->directionOptions[InterpDialog::WithNext]->click();
                dialog->stepCount->setValue(c[1].toInt());
                QTest::mouseClick(dialog->okButton, Qt::LeftButton);
            }
            QVERIFY(!f.interpController().dialog());
        } else if (name == "load") {
            const QString path = dir.filePath("steps.dat");
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("130\t").repeated(12) + "40\t\r\n" +
                       QByteArray("126\t").repeated(12) + "60\t\r\n");
            file.close();
            rig->dialogs.fileAnswers << (c[1] == "cancel" ? std::nullopt : std::optional(path));
            f.menus().loadBufferAction->trigger();
        } else if (name == "save") {
            rig->dialogs.fileAnswers << dir.filePath("saved.dat");
            f.menus().saveBufferAction->trigger();
            QVERIFY(QFile::exists(dir.filePath("saved.dat")));
        } else if (name == "read") {
            rig->port->onWrite = [this](const QByteArray& bytes) {
                if (bytes == QByteArray(1, char(board::FlashRead))) {
                    rig->port->inject(kFlashRead);
                }
            };
            f.flashFrame().readButton->click();
            QTRY_COMPARE(f.panel().list().count(), 2);
        } else {
            QFAIL("unknown command");
        }
    }

    std::unique_ptr<FormRig> rig;
    QTemporaryDir dir;
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
