#include "support/FormRig.h"

#include "ui/shell/NumericField.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSlider>
#include <QTest>

// What a user does: select what the box holds with Ctrl+A and type over it; "^V" pastes.
static void typeInto(QLineEdit* box, const QString& keys) {
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    if (keys.isEmpty()) {
        QTest::keyClick(box, Qt::Key_Backspace);
    }
    const QStringList parts = keys.split(QStringLiteral("^V"));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        }
        QTest::keyClicks(box, parts[i]);
    }
}

// The channel sliders with their offset and angle boxes, and PC control of the servos,
// driven through the window's own widgets with the bytes checked on the line.
class TestLive : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void committedOffset_data() {
        QTest::addColumn<QString>("typed"); // ending in Enter, or in a TAB for leaving the box
        QTest::addColumn<int>("channel");   // its slider starts at 100
        QTest::addColumn<QString>("after"); // offset box | angle box | bytes on the line
        QTest::newRow("200 clamps") << "200\n" << 3 << "127 | 63.5 ° | 0bff";
        QTest::newRow("-60 over the old text") << "-60\n" << 3 << "-60 | -30 ° | 0b44";
        QTest::newRow("empty centres, left") << "\t" << 2 << "0 | 0 ° | 0a80";
        QTest::newRow("0-60 typed: the minus is not first") << "0-60\n" << 5 << "60 | 30 ° | 0dbc";
        QTest::newRow("0-60 pasted goes back") << "^V\n" << 5 << "-28 | -14 ° | ";
        QTest::newRow("0-60 pasted, left") << "^V\t" << 5 << "-28 | -14 ° | ";
        QTest::newRow("lone minus goes back") << "-\n" << 7 << "-28 | -14 ° | ";
        QTest::newRow("-27, left") << "-27\t" << 10 << "-27 | -13.5 ° | 2a65";
        QTest::newRow("lone minus, another window") << "-~" << 6 << "- | -14 ° | ";
    }

    // Enter and leaving the box commit alike: clamped; a text that is not a number moves nothing
    // and the box shows the channel's offset again.
    void committedOffset() {
        QFETCH(QString, typed);
        QFETCH(int, channel);
        QFETCH(QString, after);
        FormRig rig;
        MainWindow& form = *rig.form;
        form.show();
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.channelsFrame().sliders[channel]->setValue(100);
        QGuiApplication::clipboard()->setText(QStringLiteral("0-60"));
        rig.port->clearWrites();
        QLineEdit* box = form.channelsFrame().offsetBoxes[channel];
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());
        typeInto(box, typed.chopped(1));
        QWidget other; // the user turns to another window; the box keeps its text
        if (typed.endsWith('~')) {
            other.show();
            QApplication::setActiveWindow(&other);
            QTRY_VERIFY(!box->hasFocus());
        } else if (typed.endsWith('\t')) {
            form.channelsFrame().offsetBoxes[(channel + 1) % kChannelCount]->setFocus();
        } else {
            QTest::keyClick(box, Qt::Key_Return);
        }
        const QStringList want = after.split(" | ");
        QCOMPARE(box->text(), want[0]);
        QCOMPARE(form.channelsFrame().angleBoxes[channel]->text(), want[1]);
        QCOMPARE(rig.sent(), QByteArray::fromHex(want[2].toLatin1()));
    }

    // Offset boxes take digits, "-" first and once, and Backspace, and still edit with the cursor
    // keys. A slider
    // move is two one-byte writes, the command first, and the angle uses the user's separator.
    void keys() {
        QLocale::setDefault(QLocale(QLocale::German));
        FormRig rig;
        QLineEdit* box = rig.form->channelsFrame().offsetBoxes[1];
        typeInto(box, QStringLiteral("1a.5+,e x"));
        QCOMPARE(box->text(), QStringLiteral("15"));
        QTest::keyClick(box, Qt::Key_Left);
        QTest::keyClicks(box, QStringLiteral("-"));
        QCOMPARE(box->text(), QStringLiteral("15"));
        QTest::keyClick(box, Qt::Key_Home);
        QTest::keyClicks(box, QStringLiteral("--"));
        QTest::keyClick(box, Qt::Key_Delete);
        QCOMPARE(box->text(), QStringLiteral("-5"));
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box->text(), QStringLiteral("-15"));

        QSlider* slider = rig.form->channelsFrame().sliders[0]->slider();
        QTest::keyClick(slider, Qt::Key_Up);
        QTest::keyClick(slider, Qt::Key_Down);
        QTest::keyClick(slider, Qt::Key_Down);
        QCOMPARE(rig.form->channelsFrame().offsetBoxes[0]->text(), QStringLiteral("-1"));
        QCOMPARE(rig.form->channelsFrame().angleBoxes[0]->text(), QStringLiteral("-0,5 °"));
        QCOMPARE(rig.sent(), QByteArray::fromHex("08810880087f"));
        QCOMPARE(rig.port->writes.size(), 6);
    }

    // Without a port the boxes follow the slider, the switch refuses once and falls back, and the
    // buttons are silent. With one, "ON" and "OFF" send without moving the switch, and the switch
    // sends on each change.
    void pcControl() {
        FormRig closed(false);
        closed.form->channelsFrame().sliders[10]->setValue(100);
        QCOMPARE(closed.form->channelsFrame().angleBoxes[10]->text(), QStringLiteral("-14 °"));
        closed.form->sideColumn().pcControlSwitch->click();
        closed.form->sideColumn().onButton->click();
        closed.form->sideColumn().offButton->click();
        QVERIFY(!closed.form->sideColumn().pcControlSwitch->value());
        QCOMPARE(closed.dialogs.texts(), QStringList{"No Connection Available!"});
        QVERIFY(closed.port->writes.isEmpty());

        FormRig rig;
        MainWindow& form = *rig.form;
        form.sideColumn().onButton->click();
        QVERIFY(!form.sideColumn().pcControlSwitch->value());
        form.sideColumn().pcControlSwitch->click();
        form.sideColumn().offButton->click();
        QVERIFY(form.sideColumn().pcControlSwitch->value());
        form.sideColumn().pcControlSwitch->click();
        QVERIFY(!form.sideColumn().pcControlSwitch->value());
        QCOMPARE(rig.sent(), QByteArray::fromHex("01010000"));
    }

    void numericFields_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("value"); // the field holds 40 before
        QTest::newRow("fixed step time, grouped") << "CWNumEdit1"
                                                  << "1,000" << 1000.0;
        QTest::newRow("step duration, grouped") << "CWNumEditTimeStep"
                                                << "1,500" << 1500.0;
        QTest::newRow("not a number: the last value") << "CWNumEditTimeStep"
                                                      << "-" << 40.0;
        QTest::newRow("below the range: its floor") << "CWNumEdit1"
                                                    << "7" << 50.0;
    }

    // Numbers typed as the user writes them; what cannot be read goes back, visibly, to the value
    // the field held, and Add records what the field shows.
    void numericFields() {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(double, value);
        FormRig rig;
        MainWindow& form = *rig.form;
        auto* box = form.findChild<NumericField*>(field);
        box->setValue(40);
        box->selectAll();
        QTest::keyClicks(box, typed);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(box->value(), value);
        QCOMPARE(box->text(), QString::number(value) + " ms");
        form.bufferEditFrame().addButton->click();
        QCOMPARE(form.panel().editor().table()[0][kDurationField],
                 int(form.channelsFrame().stepDuration->value()));
    }
};

QTEST_MAIN(TestLive)
#include "tst_live.moc"
