#include "support/ScriptedDialogs.h"

#include "ui/setup/ChannelSetupDialog.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

// The Channel Setup dialog offscreen, driven by keys and clicks; the setup's own rules and its
// file are the core's tests.
namespace {

// Types into a box the way a user does: select all, the digits, Enter.
void enter(QSpinBox* box, const QString& digits) {
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, digits);
    QTest::keyClick(box, Qt::Key_Return);
}

ChannelSetup elbow() {
    ChannelSetup setup;
    setup.setChannel(3, {QStringLiteral("elbow"), 100, 180});
    return setup;
}

} // namespace

class TestChannelSetupDialog : public QObject {
    Q_OBJECT

private slots:
    void everyControlIsNamed() {
        ScriptedDialogs dialogs;
        ChannelSetupDialog dialog(ChannelSetup(), dialogs);
        QCOMPARE(dialog.objectName(), QStringLiteral("ChannelSetupDialog"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Channel Setup"));
        QStringList named;
        for (const char* name :
             {"setupTable", "nameEdit_0", "minimumBox_0", "minimumAngle_0", "maximumBox_11",
              "maximumAngle_11", "exportButton", "importButton", "okButton", "cancelButton"}) {
            const QWidget* w = dialog.findChild<QWidget*>(QString::fromLatin1(name));
            named << (w ? w->accessibleName() : QStringLiteral("missing"));
        }
        QCOMPARE(named, QStringList({"Channel Setup", "Name Ch0", "Minimum Ch0",
                                     "Minimum angle Ch0", "Maximum Ch11", "Maximum angle Ch11",
                                     "Export\u2026", "Import\u2026", "OK", "Cancel"}));
        QCOMPARE(dialog.minimumAngles[0]->text(), QStringLiteral("-64 \u00B0"));
        QCOMPARE(dialog.maximumAngles[0]->text(), QStringLiteral("63.5 \u00B0"));
    }

    void limitsByKeys_data() {
        QTest::addColumn<QString>("box"); // m: minimum, M: maximum
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("arrow"); // pressed on the same box afterwards, 0 for none
        QTest::addColumn<QString>("limits");
        QTest::addColumn<QString>("angles");
        QTest::newRow("minimum inside") << "m"
                                        << "120" << 0 << "120 180"
                                        << "-4 \u00B0 26 \u00B0";
        // The third digit would pass the maximum: it is not taken.
        QTest::newRow("minimum above maximum") << "m"
                                               << "200" << 0 << "20 180"
                                               << "-54 \u00B0 26 \u00B0";
        QTest::newRow("minimum at maximum, Up") << "m"
                                                << "180" << int(Qt::Key_Up) << "180 180"
                                                << "26 \u00B0 26 \u00B0";
        // Below the minimum while typed, and back to what it was on Enter.
        QTest::newRow("maximum below minimum") << "M"
                                               << "50" << 0 << "100 180"
                                               << "-14 \u00B0 26 \u00B0";
        QTest::newRow("maximum at minimum, Down") << "M"
                                                  << "100" << int(Qt::Key_Down) << "100 100"
                                                  << "-14 \u00B0 -14 \u00B0";
        QTest::newRow("maximum at 255, Up") << "M"
                                            << "255" << int(Qt::Key_Up) << "100 255"
                                            << "-14 \u00B0 63.5 \u00B0";
    }
    void limitsByKeys() {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(int, arrow);
        QFETCH(QString, limits);
        QFETCH(QString, angles);
        ScriptedDialogs dialogs;
        ChannelSetupDialog dialog(elbow(), dialogs);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QSpinBox* typedInto = box == "m" ? dialog.minimumBoxes[3] : dialog.maximumBoxes[3];
        enter(typedInto, typed);
        QVERIFY(dialog.isVisible()); // Enter enters the number only
        if (arrow) {
            QTest::keyClick(typedInto, Qt::Key(arrow));
        }
        const ChannelSetup::Channel ch = dialog.setup().channel(3);
        QCOMPARE(QStringLiteral("%1 %2").arg(ch.minimum).arg(ch.maximum), limits);
        QCOMPARE(dialog.minimumAngles[3]->text() + QLatin1Char(' ') +
                     dialog.maximumAngles[3]->text(),
                 angles);
        QCOMPARE(dialog.minimumBoxes[3]->accessibleDescription(), dialog.minimumAngles[3]->text());
    }

    void okGivesTheEditedCopy_data() {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void okGivesTheEditedCopy() {
        QFETCH(bool, ok);
        ScriptedDialogs dialogs;
        const ChannelSetup before = elbow();
        ChannelSetupDialog dialog(before, dialogs);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QLineEdit* name = dialog.nameEdits[7];
        QTest::mouseClick(name, Qt::LeftButton);
        QTest::keyClicks(name, QStringLiteral("wrist joint, left hand side"));
        QTest::keyClick(name, Qt::Key_Tab); // into Ch7's minimum box
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("40"));
        QTest::mouseClick(ok ? dialog.okButton : dialog.cancelButton, Qt::LeftButton);
        QCOMPARE(dialog.result(), ok ? QDialog::Accepted : QDialog::Rejected);
        ChannelSetup expected = before;
        expected.setChannel(7, {QStringLiteral("wrist joint, left hand s"), 40, 255});
        QCOMPARE(dialog.setup(), expected);
        QCOMPARE(before, elbow());
    }

    void exportAndImport() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("arm.json"));
        ScriptedDialogs dialogs;
        {
            ChannelSetupDialog dialog(elbow(), dialogs);
            dialogs.fileAnswers = {path};
            QTest::mouseClick(dialog.exportButton, Qt::LeftButton);
        }
        QCOMPARE(dialogs.questions.size(), 1);
        QCOMPARE(dialogs.questions[0].filter,
                 QStringLiteral("Channel Setup (*.json)|*.json|All Files (*.*)|*.*"));
        QCOMPARE(dialogs.questions[0].defaultExtension, QStringLiteral(".json"));
        ChannelSetupDialog dialog(ChannelSetup(), dialogs);
        dialogs.fileAnswers = {path};
        QTest::mouseClick(dialog.importButton, Qt::LeftButton);
        QCOMPARE(dialog.setup(), elbow());
        QCOMPARE(dialog.nameEdits[3]->text(), QStringLiteral("elbow"));
        QCOMPARE(dialog.maximumAngles[3]->text(), QStringLiteral("26 \u00B0"));
        QVERIFY(dialogs.messages.isEmpty());
    }

    void refusedImportKeepsTheTable_data() {
        QTest::addColumn<QByteArray>("content"); // none: no file at all
        QTest::addColumn<QString>("message");
        QTest::newRow("limit out of range")
            << QByteArray(R"({"format":"tessarel-channel-setup","version":1,"channels":[)"
                          R"({"channel":0},{"channel":1},{"channel":2},{"channel":3,"max":300}]})")
            << "The channel setup was not imported: channels[3].max: 300 is not a position (0 to "
               "255)";
        QTest::newRow("no file")
            << QByteArray("none")
            << "The channel setup was not imported: \"%1\" could not be opened: "
               "No such file or directory";
    }
    void refusedImportKeepsTheTable() {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("setup.json"));
        if (content != "none") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        ScriptedDialogs dialogs;
        ChannelSetupDialog dialog(elbow(), dialogs);
        dialogs.fileAnswers = {path};
        QTest::mouseClick(dialog.importButton, Qt::LeftButton);
        QCOMPARE(dialogs.texts(), QStringList(message.replace(QStringLiteral("%1"), path)));
        QCOMPARE(dialogs.messages[0].title, QStringLiteral("Channel Setup"));
        QCOMPARE(dialog.setup(), elbow());
    }
};

QTEST_MAIN(TestChannelSetupDialog)
#include "tst_channelsetupdialog.moc"
