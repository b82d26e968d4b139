#include "support/FormRig.h"

#include "core/NumberText.h"
#include "core/sequence/SequenceFile.h"
#include "core/sequence/StepLine.h"
#include "ui/files/FilesController.h"
#include "ui/interp/InterpController.h"
#include "ui/shell/UserDialogs.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

// "File" → "Save Buffer" / "Load Buffer" on the real window, with real files. The file format
// and the loader's rules are tested on the core; here the wiring and what the user is told.
namespace {

// An Add-form line with channel 0 at the given board position and the rest at 128.
QString addLine(int ch0, double ms) {
    std::array<QString, kChannelCount> readouts;
    readouts.fill(numbertext::degreeReadout(128));
    readouts[0] = numbertext::degreeReadout(ch0);
    return stepline::addForm(readouts, ms);
}

QByteArray fileLine(int position, const QByteArray& ms = "500") {
    return QByteArray::number(position).append('\t').repeated(kChannelCount) + ms + "\t\r\n";
}

// No breakpoint is left, and every row of the table holds the numbers of its line.
bool clean(MainWindow& form) {
    const SequenceTable& table = form.panel().editor().table();
    bool ok =
        std::none_of(table.begin(), table.end(), [](const auto& s) { return s[kBreakField]; });
    for (int i = 0; i < form.panel().list().count(); ++i) {
        const auto v =
            stepline::ParseStepLine(form.panel().list().line(i), form.panel().list().locale());
        ok = ok && v && !form.panel().list().hasBreakMark(i) &&
             std::equal(v->begin(), v->end(), table[i].begin());
    }
    return ok;
}

QStringList shown(const ScriptedDialogs& dialogs) {
    QStringList list;
    for (const ScriptedDialogs::Message& m : dialogs.messages) {
        list << m.title + ": " + m.text;
    }
    return list;
}

QStringList recentTexts(const MainWindow& form) {
    QStringList texts;
    for (const QAction* a : form.menus().openRecentMenu->actions()) {
        texts << a->text();
    }
    return texts;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QString settings(const FileQuestion& q) {
    return QStringList{q.filter, QString::number(q.selectedFilter), q.defaultExtension,
                       q.initialFileName, q.hideReadOnly ? "hide read-only" : ""}
        .join('\n');
}

} // namespace

class TestFilesMenu : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void saveAndLoad_data() {
        QTest::addColumn<bool>("comma");
        QTest::newRow("decimal point") << false;
        QTest::newRow("decimal comma") << true;
    }
    void saveAndLoad() {
        QFETCH(bool, comma);
        QLocale::setDefault(comma ? QLocale(QLocale::German) : QLocale::c());
        FormRig rig(false);
        MainWindow& form = *rig.form;
        QStringList all{addLine(129, 129020), addLine(0, 20), addLine(255, 255020)};
        QCOMPARE(
            form.panel().editor().replaceAll(all + QStringList(kMaxLines - 3, addLine(100, 40))),
            EditOutcome::Done);
        const QStringList lines = form.panel().list().lines();
        const QString label = form.channelsFrame().stepLabel->text();
        const auto saved = std::make_unique<SequenceTable>(form.panel().editor().table());
        QTemporaryDir dir;
        const QString path = dir.filePath("trip.dat");
        rig.dialogs.fileAnswers = {path, std::nullopt, std::nullopt, dir.filePath("missing.dat"),
                                   path};
        for (QAction* command : {form.menus().saveBufferAction, form.menus().saveBufferAction,
                                 form.menus().loadBufferAction, form.menus().loadBufferAction}) {
            // Every command clears the breakpoints, cancelled or not.
            form.panel().list().setSelectedIndex(1);
            form.panel().editor().toggleBreak();
            command->trigger();
            QVERIFY(clean(form));
            QCOMPARE(form.panel().list().lines(), lines);
        }
        form.panel().editor().clearAll();
        form.panel().editor().add(addLine(1, 40));
        form.menus().loadBufferAction->trigger();
        const QString messages = shown(rig.dialogs).join('\n');
        QVERIFY2(
            QRegularExpression("^Save: Data Saved!\nLoad: .*missing\\.dat.*\nLoad: Data Loaded!$")
                .match(messages)
                .hasMatch(),
            qPrintable(messages));
        const QList<FileQuestion>& q = rig.dialogs.questions;
        const QString filter(
            "Data Files (*.dat)|*.dat|Text Files(*.txt)|*.txt|All Files (*.*)|*.*");
        QCOMPARE(settings(q.value(0)), filter + "\n1\n.dat\nSequence1\n");
        QCOMPARE(settings(q.value(2)), filter + "\n1\n\n\nhide read-only");
        QCOMPARE(q.value(1).initialFileName, "Sequence2"); // the cancelled save counts
        QCOMPARE(form.panel().list().selectedIndex(), -1);
        QCOMPARE(form.channelsFrame().stepLabel->text(), label);
        QVERIFY(clean(form));
        QVERIFY(*saved == form.panel().editor().table());
        QVERIFY(form.panel().list().line(0).startsWith((comma ? "0,5" : "0.5") +
                                                       numbertext::kDegreeSuffix));
    }

    // A name typed without a suffix takes the chosen filter's, "All Files" ".dat"; a file that
    // is there ("there" rows: trip.dat holding "old") is replaced only on yes.
    void saveBuffer_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("filter");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("content");
        const QByteArray line = fileLine(128, "20");
        QTest::newRow("data files") << "trip" << 1 << false << "trip.dat" << line;
        QTest::newRow("text files") << "trip" << 2 << false << "trip.txt" << line;
        QTest::newRow("all files") << "trip" << 3 << false << "trip.dat" << line;
        QTest::newRow("suffix typed") << "trip.seq" << 2 << false << "trip.seq" << line;
        QTest::newRow("there, yes") << "trip" << 1 << true << "trip.dat" << line;
        QTest::newRow("there, no") << "trip" << 1 << false << "trip.dat" << QByteArray("old");
    }
    void saveBuffer() {
        QFETCH(QString, typed);
        QFETCH(int, filter);
        QFETCH(bool, yes);
        QFETCH(QString, written);
        QFETCH(QByteArray, content);
        const bool there = QByteArray(QTest::currentDataTag()).startsWith("there");
        FormRig rig(false);
        rig.form->panel().editor().add(addLine(128, 20));
        QTemporaryDir dir;
        if (there) {
            writeFile(dir.filePath("trip.dat"), "old");
        }
        rig.dialogs.fileAnswers = {{dir.filePath(typed), filter}};
        rig.dialogs.yesNoAnswers = {yes};
        rig.form->menus().saveBufferAction->trigger();
        QCOMPARE(rig.dialogs.asked,
                 there ? QStringList{"trip.dat already exists. Replace it?"} : QStringList{});
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{written});
        QFile file(dir.filePath(written));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
        QCOMPARE(rig.dialogs.texts(),
                 content == "old" ? QStringList{} : QStringList{"Data Saved!"});
    }

    // "Save" writes to the file last loaded or saved without a question, or asks for a name as
    // "Save Buffer" does when there is none.
    void saveAgain_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("written");
        QTest::newRow("nothing yet") << "" << "again.dat";
        QTest::newRow("after a load") << "load" << "loaded.dat";
        QTest::newRow("after a save") << "save" << "again.dat";
    }
    void saveAgain() {
        QFETCH(QString, before);
        FormRig rig(false);
        QTemporaryDir dir;
        writeFile(dir.filePath("loaded.dat"), fileLine(100));
        if (before == "load") {
            rig.dialogs.fileAnswers = {dir.filePath("loaded.dat")};
            rig.form->menus().loadBufferAction->trigger();
        } else if (before == "save") {
            rig.dialogs.fileAnswers = {{dir.filePath("again"), 1}};
            rig.form->menus().saveBufferAction->trigger();
            QVERIFY(QFile::remove(dir.filePath("again.dat")));
        } else {
            rig.dialogs.fileAnswers = {{dir.filePath("again"), 1}};
        }
        rig.form->panel().editor().add(addLine(128, 20));
        QVERIFY(QFile::remove(dir.filePath("loaded.dat")));
        rig.form->menus().saveAction->trigger();
        QCOMPARE(rig.dialogs.questions.size(), 1); // the load's or the first save's
        QVERIFY(rig.dialogs.asked.isEmpty());
        QTEST(QDir(dir.path()).entryList(QDir::Files).join(' '), "written");
    }

    // Save clears the breakpoints, so it waits like every change to the list: nothing is asked
    // or cleared, and the reason is on the status bar.
    void saveRefusedWhileTheListIsHeld_data() {
        QTest::addColumn<bool>("dialogOpen");
        QTest::addColumn<QString>("reason");
        QTest::newRow("interpolation dialog open")
            << true << "Close the interpolation dialog first.";
        QTest::newRow("flash transfer waits")
            << false << "The board is busy with a flash transfer; wait for it to end or Abort it.";
    }
    void saveRefusedWhileTheListIsHeld() {
        QFETCH(bool, dialogOpen);
        FormRig rig;
        MainWindow& form = *rig.form;
        QCOMPARE(form.panel().editor().replaceAll({addLine(0, 100), addLine(10, 100)}),
                 EditOutcome::Done);
        form.panel().list().setSelectedIndex(1);
        form.panel().editor().toggleBreak();
        const QStringList marked = form.panel().list().lines();
        if (dialogOpen) {
            QTest::mouseClick(form.bufferEditFrame().interpolateButton, Qt::LeftButton);
            QVERIFY(form.interpController().dialog());
        } else {
            form.flashFrame().readButton->click(); // a transfer that waits for the board
        }
        QTemporaryDir dir;
        rig.dialogs.fileAnswers = {dir.filePath("held.dat")};
        form.menus().saveBufferAction->trigger();
        QTEST(form.statusBar()->currentMessage(), "reason");
        QCOMPARE(form.panel().list().lines(), marked);
        QVERIFY(form.panel().list().hasBreakMark(1) && rig.dialogs.questions.isEmpty());
        QCOMPARE(form.menus().undoAction->text(), "Undo");
        QCOMPARE(form.filesController().saveCount(), 0);
        form.flashFrame().abortButton->click();
    }

    void loadMessages_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QString>("stop");
        const QByteArray a = fileLine(129);
        const QString stop =
            QStringLiteral("Loading stopped at line %1 of the file: %2. %3 loaded.");
        const QString few = QStringLiteral("it has fewer than 13 values");
        QTest::newRow("1500 lines cut to 1024") << a.repeated(1500) << 1024 << QString();
        QTest::newRow("short line") << a + a + "1\t2\r\n"
                                    << 2 << stop.arg("3", few, "The 2 lines before it were");
        QTest::newRow("blank line")
            << a + "\r\n" + a << 1 << stop.arg("2", few, "The line before it was");
        QTest::newRow("not a number")
            << a + fileLine(0, "2O") << 1
            << stop.arg("2", "one of its values is not a whole number", "The line before it was");
        QTest::newRow("too large")
            << fileLine(0, "99999999999") << 0
            << stop.arg("1", "one of its values is too large", "No lines were");
    }
    void loadMessages() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, stop);
        FormRig rig(false);
        QTemporaryDir dir;
        writeFile(dir.filePath("hand.dat"), bytes);
        rig.dialogs.fileAnswers = {dir.filePath("hand.dat")};
        rig.form->menus().loadBufferAction->trigger();
        const QStringList loaded{"Load: Data Loaded!"};
        QCOMPARE(shown(rig.dialogs),
                 stop.isEmpty() ? loaded : QStringList{"Load: " + stop} + loaded);
        QTEST(rig.form->panel().list().count(), "lines");
        QVERIFY(clean(*rig.form));
    }

    // Saved and loaded files come back most recent first; one that has gone leaves the list.
    void openRecent() {
        FormRig rig;
        MainWindow& form = *rig.form;
        QVERIFY(!form.menus().openRecentMenu->isEnabled());
        QTemporaryDir dir;
        writeFile(dir.filePath("a.dat"), fileLine(10));
        writeFile(dir.filePath("c&d.dat"), fileLine(30) + fileLine(31));
        form.filesController().loadFile(dir.filePath("a.dat"));
        QCOMPARE(form.panel().editor().replaceAll({addLine(20, 100)}), EditOutcome::Done);
        rig.dialogs.fileAnswers = {dir.filePath("b.dat")};
        form.menus().saveBufferAction->trigger();
        form.filesController().loadFile(dir.filePath("c&d.dat"));
        QCOMPARE(recentTexts(form), (QStringList{"&1 c&&d.dat", "&2 b.dat", "&3 a.dat"}));
        QVERIFY(form.menus().openRecentMenu->isEnabled());

        rig.dialogs.messages.clear();
        form.menus().openRecentMenu->actions().at(2)->trigger();
        QCOMPARE(shown(rig.dialogs), QStringList{"Load: Data Loaded!"});
        QCOMPARE(form.panel().editor().table()[0][0], 10);
        QCOMPARE(form.panel().list().count(), 1);
        QCOMPARE(recentTexts(form), (QStringList{"&1 a.dat", "&2 c&&d.dat", "&3 b.dat"}));
        QCOMPARE(form.menus().undoAction->text(), "Undo Load Buffer");

        // Held while a transfer waits, as Load Buffer is.
        form.flashFrame().readButton->click();
        form.menus().openRecentMenu->actions().at(1)->trigger();
        QCOMPARE(form.statusBar()->currentMessage(),
                 "The board is busy with a flash transfer; wait for it to end or Abort it.");
        QCOMPARE(form.panel().list().count(), 1);
        form.flashFrame().abortButton->click();

        QVERIFY(QFile::remove(dir.filePath("b.dat")));
        rig.dialogs.messages.clear();
        form.menus().openRecentMenu->actions().at(2)->trigger();
        QCOMPARE(form.statusBar()->currentMessage(),
                 "No longer there, taken off Open Recent: " + dir.filePath("b.dat"));
        QVERIFY(rig.dialogs.messages.isEmpty());
        QCOMPARE(form.panel().list().count(), 1);
        QCOMPARE(recentTexts(form), (QStringList{"&1 a.dat", "&2 c&&d.dat"}));

        // Gone while the menu was closed: found when it opens.
        QVERIFY(QFile::remove(dir.filePath("a.dat")));
        emit form.menus().openRecentMenu->aboutToShow();
        QCOMPARE(form.statusBar()->currentMessage(),
                 "No longer there, taken off Open Recent: " + dir.filePath("a.dat"));
        QCOMPARE(recentTexts(form), QStringList{"&1 c&&d.dat"});
    }

    // The real dialog hands back the name as typed and the filter shown: a default suffix of its
    // own would not follow the filter the user chose.
    void dialogLeavesTheSuffixToTheFilter() {
        QTemporaryDir dir;
        FileQuestion q;
        q.filter = "PNG Image (*.png)|*.png|SVG Drawing (*.svg)|*.svg";
        q.defaultExtension = ".png";
        q.initialFileName = dir.filePath("timeline.png");
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->selectNameFilter("SVG Drawing (*.svg)");
            dialog->selectFile("chart");
            static_cast<QDialog*>(dialog)->accept(); // as the Save button does
        });
        QtUserDialogs dialogs;
        const std::optional<FileAnswer> a = dialogs.saveFileName(nullptr, q);
        QVERIFY(a);
        QCOMPARE(QFileInfo(a->path).fileName() + ' ' + QString::number(a->chosenFilter), "chart 2");
    }

    // The file dialog takes its patterns from the parentheses, so "All Files" must say "*"
    // there, or names without a dot stay hidden.
    void allFilesShowsEveryFile() {
        const QStringList filters = QtUserDialogs::nameFilters(sequencefile::kFilter);
        QCOMPARE(filters,
                 QStringList({"Data Files (*.dat)", "Text Files(*.txt)", "All Files (*)"}));
        QTemporaryDir dir;
        writeFile(dir.filePath("Sequence3"), "");
        writeFile(dir.filePath("a.dat"), "");
        QFileDialog dialog(nullptr, QString(), dir.path());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters[2]);
        auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
        QVERIFY(view);
        QTRY_COMPARE(view->model()->rowCount(view->rootIndex()), 2);
    }

    // "tessarel wave.dat", or a file manager's "Open With".
    void commandLineFile_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QString>("messages");
        QTest::newRow("a file") << QStringList{"tessarel", "wave.dat"} << 2 << "Load: Data Loaded!";
        QTest::newRow("after an option")
            << QStringList{"tessarel", "--style=x", "wave.dat"} << 2 << "Load: Data Loaded!";
        QTest::newRow("no file") << QStringList{"tessarel"} << 1 << "";
    }
    void commandLineFile() {
        QFETCH(QStringList, arguments);
        FormRig rig(false);
        rig.form->panel().editor().add(addLine(128, 20));
        QTemporaryDir dir;
        writeFile(dir.filePath("wave.dat"), fileLine(100) + fileLine(90));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        rig.form->openFromCommandLine(arguments);
        QDir::setCurrent(before);
        QTEST(rig.form->panel().list().count(), "steps");
        QTEST(shown(rig.dialogs).join('\n'), "messages");
        QCOMPARE(rig.form->panel().editor().table()[0][0],
                 QTest::currentDataTag() == QByteArray("no file") ? 128 : 100);
    }
};

QTEST_MAIN(TestFilesMenu)
#include "tst_filesmenu.moc"
