#include "support/FormRig.h"

#include "core/NumberText.h"
#include "core/sequence/SequenceFile.h"
#include "core/sequence/StepLine.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <csignal>
#include <memory>

// "File" → "Save Buffer" / "Load Buffer" on the real window, with real files.
namespace {

using Message = ScriptedDialogs::Message;

// An Add-form line with the given board positions on channels 0.. and 128 on the rest.
QString addLine(const QList<int>& positions, double ms) {
    std::array<QString, kChannelCount> readouts;
    for (int k = 0; k < kChannelCount; ++k) {
        readouts[k] = numbertext::degreeReadout(k < positions.size() ? positions[k] : 128);
    }
    return stepline::addForm(readouts, ms);
}

QByteArray fileLine(int position, int ms, const QByteArray& end = "\r\n") {
    QByteArray line;
    for (int k = 0; k < kChannelCount; ++k) {
        line += QByteArray::number(position) + '\t';
    }
    return line + QByteArray::number(ms) + '\t' + end;
}

QByteArray manyLines(int count) {
    QByteArray bytes;
    for (int i = 0; i < count; ++i) {
        bytes += fileLine(i % 256, 20 + i);
    }
    return bytes;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Three steps, the second marked with a breakpoint.
void fillThreeSteps(Form1& form) {
    form.editor.add(addLine({129, 127, 0, 255}, 500));
    form.editor.add(addLine({100}, 20));
    form.editor.add(addLine({200}, 1000000));
    form.sequenceList.setSelectedIndex(1);
    form.editor.toggleBreak();
}

bool noBreakpoints(Form1& form) {
    for (int row = 0; row < kTableRows; ++row) {
        if (form.declaration.SequenceBuffer[row][kBreakField] != 0) {
            return false;
        }
    }
    for (int i = 0; i < form.sequenceList.count(); ++i) {
        if (form.sequenceList.hasBreakMark(i)) {
            return false;
        }
    }
    return true;
}

// Every row of the table holds the numbers of its line.
bool tableMatchesList(Form1& form) {
    for (int i = 0; i < form.sequenceList.count(); ++i) {
        const auto values =
            stepline::ParseStepLine(form.sequenceList.line(i), form.sequenceList.locale());
        if (!values) {
            return false;
        }
        for (int k = 0; k <= kDurationField; ++k) {
            if (form.declaration.SequenceBuffer[i][k] != (*values)[k]) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

class TestFilesMenu : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void saveThenLoadRoundTrip_data() {
        QTest::addColumn<bool>("comma");
        QTest::newRow("decimal point") << false;
        QTest::newRow("decimal comma") << true;
    }
    void saveThenLoadRoundTrip() {
        QFETCH(bool, comma);
        if (comma) {
            QLocale::setDefault(QLocale(QLocale::German));
        }
        FormRig rig(false);
        Form1& form = *rig.form;
        fillThreeSteps(form);
        QVERIFY(!noBreakpoints(form));
        const QString before = form.LabelStep->text();
        std::array<StepRecord, 3> saved{};
        std::copy_n(form.declaration.SequenceBuffer.begin(), 3, saved.begin());

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("trip.dat"));
        rig.dialogs.fileAnswers = {path};
        form.menuSaveBuffer->trigger();
        QCOMPARE(rig.dialogs.texts(), QStringList{"Data Saved!"});
        QCOMPARE(rig.dialogs.messages[0].title, QStringLiteral("Save"));
        QVERIFY(noBreakpoints(form));
        const FileQuestion saveQ = rig.dialogs.questions.at(0);
        QCOMPARE(saveQ.filter, QStringLiteral("Data Files (*.dat)|*.dat|Text Files(*.txt)|*.txt|"
                                              "All Files (*.*)|*.*"));
        QCOMPARE(saveQ.selectedFilter, 1);
        QCOMPARE(saveQ.defaultExtension, QStringLiteral(".dat"));
        QCOMPARE(saveQ.initialFileName, QStringLiteral("Sequence1"));
        QVERIFY(!saveQ.hideReadOnly);

        form.editor.clearAll();
        form.editor.add(addLine({1}, 40));
        rig.dialogs.messages.clear();
        rig.dialogs.fileAnswers = {path};
        form.menuLoadBuffer->trigger();
        QCOMPARE(rig.dialogs.texts(), QStringList{"Data Loaded!"});
        QCOMPARE(rig.dialogs.messages[0].title, QStringLiteral("Load"));
        const FileQuestion loadQ = rig.dialogs.questions.at(1);
        QCOMPARE(loadQ.filter, saveQ.filter);
        QCOMPARE(loadQ.selectedFilter, 1);
        QCOMPARE(loadQ.defaultExtension, QString());
        QCOMPARE(loadQ.initialFileName, QString());
        QVERIFY(loadQ.hideReadOnly);

        QCOMPARE(form.sequenceList.count(), 3);
        QCOMPARE(form.sequenceList.selectedIndex(), -1);
        QCOMPARE(form.LabelStep->text(), before);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(form.sequenceList.line(i).endsWith(QStringLiteral("  ms\t")));
            for (int k = 0; k <= kDurationField; ++k) {
                QCOMPARE(form.declaration.SequenceBuffer[i][k], saved[i][k]);
            }
        }
        const QString half = comma ? QStringLiteral("0,5") : QStringLiteral("0.5");
        QVERIFY(form.sequenceList.line(0).startsWith(half + " \u00B0\t-" + half +
                                                     " \u00B0\t-64 \u00B0\t63"));
        QVERIFY(tableMatchesList(form));
    }

    void savedFileBytes() {
        FormRig rig(false);
        Form1& form = *rig.form;
        QTemporaryDir dir;
        const QString empty = dir.filePath(QStringLiteral("empty.dat"));
        rig.dialogs.fileAnswers = {empty};
        form.menuSaveBuffer->trigger();
        QCOMPARE(rig.dialogs.texts(), QStringList{"Data Saved!"});
        QVERIFY(QFileInfo::exists(empty));
        QCOMPARE(readFile(empty), QByteArray());

        form.editor.add(addLine({}, 500));
        form.editor.add(addLine({129, 0, 255, 127, 1, 2, 3, 4, 5, 6, 7, 8}, 20));
        const QString path = dir.filePath(QStringLiteral("two.dat"));
        QVERIFY(writeFile(path, QByteArray(3000, 'x'))); // replaced, not appended to
        rig.dialogs.fileAnswers = {path};
        form.menuSaveBuffer->trigger();
        QCOMPARE(readFile(path), QByteArray("128\t").repeated(12) + "500\t\r\n" +
                                     "129\t0\t255\t127\t1\t2\t3\t4\t5\t6\t7\t8\t20\t\r\n");
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList{"empty.dat", "two.dat"}));
    }

    void cancelIsSilentAndCountsOn() {
        FormRig rig(false);
        Form1& form = *rig.form;
        fillThreeSteps(form);
        const QStringList before = form.sequenceList.lines();
        QTemporaryDir dir;

        rig.dialogs.fileAnswers = {dir.filePath(QStringLiteral("a.dat")), std::nullopt,
                                   dir.filePath(QStringLiteral("b.dat"))};
        form.menuSaveBuffer->trigger();
        form.sequenceList.setSelectedIndex(0);
        form.editor.toggleBreak();
        form.menuSaveBuffer->trigger(); // cancelled
        QVERIFY(noBreakpoints(form));
        form.menuSaveBuffer->trigger();
        QCOMPARE(rig.dialogs.questions.size(), 3);
        QCOMPARE(rig.dialogs.questions[0].initialFileName, QStringLiteral("Sequence1"));
        QCOMPARE(rig.dialogs.questions[1].initialFileName, QStringLiteral("Sequence2"));
        QCOMPARE(rig.dialogs.questions[2].initialFileName, QStringLiteral("Sequence3"));
        QCOMPARE(rig.dialogs.texts(), (QStringList{"Data Saved!", "Data Saved!"}));

        form.sequenceList.setSelectedIndex(2);
        form.editor.toggleBreak();
        rig.dialogs.messages.clear();
        form.menuLoadBuffer->trigger(); // nothing queued: cancelled
        QVERIFY(rig.dialogs.messages.isEmpty());
        QVERIFY(noBreakpoints(form));
        QCOMPARE(form.sequenceList.lines(),
                 stepline::withoutBreakMarks(before.join('\n')).split('\n'));
    }

    void handWrittenFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QStringList>("texts");
        const QStringList loaded{"Data Loaded!"};
        const QByteArray a = fileLine(129, 500);
        const QByteArray b = fileLine(0, 20);
        QTest::newRow("CR LF") << a + b << 2 << loaded;
        QTest::newRow("LF only") << fileLine(129, 500, "\n") + fileLine(0, 20, "\n") << 2 << loaded;
        QTest::newRow("no line end at the end") << a + fileLine(0, 20, "") << 2 << loaded;
        QTest::newRow("trailing blank line") << a + b + "\r\n" << 2 << loaded;
        QTest::newRow("empty file") << QByteArray() << 0 << loaded;
        QTest::newRow("1024 lines") << manyLines(1024) << 1024 << loaded;
        QTest::newRow("1500 lines cut to 1024") << manyLines(1500) << 1024 << loaded;
        QTest::newRow("short line ends the load")
            << a + b + "1\t2\t3\r\n" + a << 2
            << QStringList{"Loading stopped at line 3 of the file: it has fewer than 13 values. "
                           "The 2 lines before it were loaded.",
                           "Data Loaded!"};
        QTest::newRow("blank line inside ends the load")
            << a + "\r\n" + b << 1
            << QStringList{"Loading stopped at line 2 of the file: it has fewer than 13 values. "
                           "The line before it was loaded.",
                           "Data Loaded!"};
        QTest::newRow("duration not a number")
            << a + fileLine(0, 20).replace("20\t\r\n", "2O\t\r\n") << 1
            << QStringList{"Loading stopped at line 2 of the file: one of its values is not a "
                           "whole number. The line before it was loaded.",
                           "Data Loaded!"};
        QTest::newRow("number too large on the first line")
            << fileLine(0, 20).replace("20\t\r\n", "99999999999\t\r\n") + a << 0
            << QStringList{"Loading stopped at line 1 of the file: one of its values is too "
                           "large. No lines were loaded.",
                           "Data Loaded!"};
    }
    void handWrittenFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, lines);
        QFETCH(QStringList, texts);
        FormRig rig(false);
        Form1& form = *rig.form;
        fillThreeSteps(form);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("hand.dat"));
        QVERIFY(writeFile(path, bytes));
        rig.dialogs.fileAnswers = {path};
        form.menuLoadBuffer->trigger();

        QCOMPARE(rig.dialogs.texts(), texts);
        for (const Message& m : rig.dialogs.messages) {
            QCOMPARE(m.title, QStringLiteral("Load"));
        }
        QCOMPARE(form.sequenceList.count(), lines);
        QCOMPARE(form.sequenceList.selectedIndex(), -1);
        QVERIFY(noBreakpoints(form));
        QVERIFY(tableMatchesList(form));
        if (lines > 0) {
            const QByteArrayList first = bytes.left(bytes.indexOf('\n')).split('\t');
            QCOMPARE(form.declaration.SequenceBuffer[0][0], first[0].toInt());
            QCOMPARE(form.declaration.SequenceBuffer[0][kDurationField], first[12].toInt());
        }
        if (lines == 1024) {
            const StepRecord& last = form.declaration.SequenceBuffer[1023];
            QCOMPARE(last[0], 1023 % 256);
            QCOMPARE(last[kDurationField], 20 + 1023);
        }
    }

    void unreadableFileKeepsTheList_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing file") << QStringLiteral("missing.dat");
        QTest::newRow("a directory") << QStringLiteral("folder.dat");
    }
    void unreadableFileKeepsTheList() {
        QFETCH(QString, name);
        FormRig rig(false);
        Form1& form = *rig.form;
        form.editor.add(addLine({129}, 500));
        form.editor.add(addLine({10}, 40));
        form.sequenceList.setSelectedIndex(1);
        const QStringList before = form.sequenceList.lines();
        const auto row1 = form.declaration.SequenceBuffer[1];
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.dat")));
        rig.dialogs.fileAnswers = {dir.filePath(name)};
        form.menuLoadBuffer->trigger();

        QCOMPARE(rig.dialogs.messages.size(), 1);
        QCOMPARE(rig.dialogs.messages[0].title, QStringLiteral("Load"));
        QVERIFY2(rig.dialogs.messages[0].text.contains(name),
                 qPrintable(rig.dialogs.messages[0].text));
        QCOMPARE(form.sequenceList.lines(), before);
        QCOMPARE(form.sequenceList.selectedIndex(), 1);
        QCOMPARE(form.declaration.SequenceBuffer[1], row1);
    }

    void saveFailureKeepsWhatIsThere_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("a directory in the way") << QStringLiteral("folder.dat");
        QTest::newRow("no such directory") << QStringLiteral("nowhere/x.dat");
    }
    void saveFailureKeepsWhatIsThere() {
        QFETCH(QString, name);
        FormRig rig(false);
        Form1& form = *rig.form;
        fillThreeSteps(form);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.dat")));
        rig.dialogs.fileAnswers = {dir.filePath(name)};
        form.menuSaveBuffer->trigger();

        QCOMPARE(rig.dialogs.messages.size(), 1);
        QCOMPARE(rig.dialogs.messages[0].title, QStringLiteral("Save"));
        QVERIFY(rig.dialogs.messages[0].text != QStringLiteral("Data Saved!"));
        QVERIFY(rig.dialogs.messages[0].text.contains(QFileInfo(name).fileName()));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("folder.dat"))).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
        QCOMPARE(form.sequenceList.count(), 3);
    }

    // A disk that fills up half way: the file already there must survive whole.
    void writeFailureKeepsTheOldFile() {
        FormRig rig(false);
        Form1& form = *rig.form;
        QStringList lines;
        for (int i = 0; i < kMaxLines; ++i) {
            lines << addLine({i % 256}, 20 * i);
        }
        QCOMPARE(form.editor.replaceAll(lines), EditOutcome::Done);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Sequence1.dat"));
        const QByteArray old = manyLines(3);
        QVERIFY(writeFile(path, old));

        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        rig.dialogs.fileAnswers = {path};
        form.menuSaveBuffer->trigger();
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QCOMPARE(rig.dialogs.messages.size(), 1);
        QCOMPARE(rig.dialogs.messages[0].title, QStringLiteral("Save"));
        QVERIFY(rig.dialogs.messages[0].text.contains(QStringLiteral("Sequence1.dat")));
        QCOMPARE(readFile(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"Sequence1.dat"});
    }
};

QTEST_MAIN(TestFilesMenu)
#include "tst_filesmenu.moc"
