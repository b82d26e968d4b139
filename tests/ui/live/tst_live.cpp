#include "support/FormRig.h"

#include "ui/live/LiveController.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTest>

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) {
        b.append(static_cast<char>(v));
    }
    return b;
}

// What a user does: select what the box holds and type over it.
void typeInto(QLineEdit* box, const QString& keys) {
    box->selectAll();
    if (keys.isEmpty()) {
        QTest::keyClick(box, Qt::Key_Backspace);
    } else {
        QTest::keyClicks(box, keys);
    }
}

void showAndActivate(Form1& form) {
    form.show();
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
}

} // namespace

// The channel sliders with their offset and angle boxes, and PC control of the servos,
// driven through the window's own widgets with the bytes checked on the line.
class TestLive : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void committedOffset_data();
    void committedOffset();
    void keysTheOffsetBoxRefuses();
    void navigationKeysStillEdit();
    void angleBoxSwallowsEveryKey();
    void leavingAngleBoxDoesNothing();
    void readouts_data();
    void readouts();
    void userMovesSliderWithKeyboard();
    void sliderWithPortClosedSendsNothing();
    void commaLocaleReadouts();
    void flashTransferKeepsSlidersOffTheLine();

    void switchWithoutPortRefusesOnce();
    void switchOnThenOff();
    void onAndOffButtons();
    void buttonsWithoutPortAreSilent();
    void switchRefusedWhileLineBusyFallsBack();
    void closeWithPcControlOnSendsPcOffAtCloseAndTeardown();
};

void TestLive::committedOffset_data() {
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("startValue");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("byFocusOut");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("slider");
    QTest::addColumn<QString>("angle");
    QTest::addColumn<QByteArray>("sent");

    QTest::newRow("200 clamps to 127")
        << 3 << 128 << "200" << false << "127" << 255 << "63.5 °" << bytes({11, 255});
    QTest::newRow("-300 clamps to -128")
        << 0 << 128 << "-300" << false << "-128" << 0 << "-64 °" << bytes({8, 0});
    QTest::newRow("-128 stays") << 7 << 128 << "-128" << false << "-128" << 0 << "-64 °"
                                << bytes({15, 0});
    QTest::newRow("channel 8 selects with 40")
        << 8 << 128 << "5" << false << "5" << 133 << "2.5 °" << bytes({40, 133});
    QTest::newRow("channel 11 selects with 43")
        << 11 << 128 << "-1" << false << "-1" << 127 << "-0.5 °" << bytes({43, 127});
    QTest::newRow("empty by Enter centres")
        << 2 << 100 << "" << false << "0" << 128 << "0 °" << bytes({10, 128});
    QTest::newRow("empty by leaving centres")
        << 2 << 100 << "" << true << "0" << 128 << "0 °" << bytes({10, 128});
    QTest::newRow("lone minus commits 0")
        << 4 << 100 << "-" << false << "0" << 128 << "0 °" << bytes({12, 128});
    QTest::newRow("minus between digits commits 0")
        << 5 << 100 << "1-2" << true << "0" << 128 << "0 °" << bytes({13, 128});
    QTest::newRow("leading zeros read as the number")
        << 6 << 128 << "007" << false << "7" << 135 << "3.5 °" << bytes({14, 135});
    QTest::newRow("leaving commits like Enter")
        << 10 << 128 << "-28" << true << "-28" << 100 << "-14 °" << bytes({42, 100});
}

void TestLive::committedOffset() {
    QFETCH(int, channel);
    QFETCH(int, startValue);
    QFETCH(QString, typed);
    QFETCH(bool, byFocusOut);
    QFETCH(QString, shown);
    QFETCH(int, slider);
    QFETCH(QString, angle);
    QFETCH(QByteArray, sent);

    FormRig rig;
    Form1& form = *rig.form;
    showAndActivate(form);
    form.CWSlide1[channel]->setValue(startValue);
    rig.port->clearWrites();

    QLineEdit* box = form.Text1[channel];
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    typeInto(box, typed);
    QCOMPARE(box->text(), typed);
    if (byFocusOut) {
        form.Text1[(channel + 1) % kChannelCount]->setFocus();
        QTRY_VERIFY(!box->hasFocus());
    } else {
        QTest::keyClick(box, Qt::Key_Return);
    }

    QCOMPARE(box->text(), shown);
    QCOMPARE(form.CWSlide1[channel]->value(), double(slider));
    QCOMPARE(form.Text1[channel + kChannelCount]->text(), angle);
    QCOMPARE(rig.port->written(), sent);
}

void TestLive::keysTheOffsetBoxRefuses() {
    FormRig rig;
    QLineEdit* box = rig.form->Text1[1];
    typeInto(box, QStringLiteral("1a.5+,e x"));
    QCOMPARE(box->text(), QStringLiteral("15"));
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, QStringLiteral("-"));
    QCOMPARE(box->text(), QStringLiteral("1-"));
    QVERIFY(rig.port->written().isEmpty());

    // The filter's own verdicts, as another caller would get them.
    for (int key : {int('a'), int('.'), int('+'), int(','), int(' '), 22}) {
        int k = key;
        rig.form->live->Text1_KeyPress(1, k);
        QCOMPARE(k, 0);
    }
    for (int key : {int('0'), int('9'), int('-'), 8}) {
        int k = key;
        rig.form->live->Text1_KeyPress(1, k);
        QCOMPARE(k, key);
    }
}

void TestLive::navigationKeysStillEdit() {
    FormRig rig;
    QLineEdit* box = rig.form->Text1[0];
    typeInto(box, QStringLiteral("12"));
    QTest::keyClick(box, Qt::Key_Left);
    QTest::keyClicks(box, QStringLiteral("3"));
    QCOMPARE(box->text(), QStringLiteral("132"));
    QTest::keyClick(box, Qt::Key_Home);
    QTest::keyClick(box, Qt::Key_Delete);
    QCOMPARE(box->text(), QStringLiteral("32"));
    QVERIFY(rig.port->written().isEmpty());
}

void TestLive::angleBoxSwallowsEveryKey() {
    FormRig rig;
    Form1& form = *rig.form;
    QLineEdit* angle = form.Text1[15];
    angle->setReadOnly(false); // the filter alone must hold it
    QTest::keyClicks(angle, QStringLiteral("12-a"));
    QTest::keyClick(angle, Qt::Key_Backspace);
    QTest::keyClick(angle, Qt::Key_Return);
    QCOMPARE(angle->text(), QStringLiteral("0 °"));
    QCOMPARE(form.CWSlide1[3]->value(), 128.0);
    QVERIFY(rig.port->written().isEmpty());
    for (int key : {int('1'), int('-'), 8, 13}) {
        int k = key;
        form.live->Text1_KeyPress(15, k);
        QCOMPARE(k, 0);
    }
}

void TestLive::leavingAngleBoxDoesNothing() {
    FormRig rig;
    Form1& form = *rig.form;
    form.live->Text1_LostFocus(12);
    QCOMPARE(form.Text1[12]->text(), QStringLiteral("0 °"));
    QVERIFY(rig.port->written().isEmpty());
}

void TestLive::readouts_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("offset");
    QTest::addColumn<QString>("angle");
    QTest::newRow("129") << 129 << "1"
                         << "0.5 °";
    QTest::newRow("127") << 127 << "-1"
                         << "-0.5 °";
    QTest::newRow("0") << 0 << "-128"
                       << "-64 °";
    QTest::newRow("255") << 255 << "127"
                         << "63.5 °";
    QTest::newRow("218") << 218 << "90"
                         << "45 °";
}

void TestLive::readouts() {
    QFETCH(int, position);
    QFETCH(QString, offset);
    QFETCH(QString, angle);
    FormRig rig;
    rig.form->CWSlide1[9]->setValue(position);
    QCOMPARE(rig.form->Text1[9]->text(), offset);
    QCOMPARE(rig.form->Text1[21]->text(), angle);
    QCOMPARE(rig.port->written(), bytes({41, position}));
}

void TestLive::userMovesSliderWithKeyboard() {
    FormRig rig;
    QSlider* slider = rig.form->CWSlide1[0]->slider();
    QTest::keyClick(slider, Qt::Key_Up);
    QCOMPARE(rig.form->Text1[12]->text(), QStringLiteral("0.5 °"));
    QTest::keyClick(slider, Qt::Key_Down);
    QTest::keyClick(slider, Qt::Key_Down);
    QCOMPARE(rig.form->Text1[0]->text(), QStringLiteral("-1"));
    QCOMPARE(rig.port->writes, QList<QByteArray>({bytes({8}), bytes({129}), bytes({8}),
                                                  bytes({128}), bytes({8}), bytes({127})}));
}

void TestLive::sliderWithPortClosedSendsNothing() {
    FormRig rig(false);
    rig.form->CWSlide1[10]->setValue(100);
    QCOMPARE(rig.form->Text1[10]->text(), QStringLiteral("-28"));
    QCOMPARE(rig.form->Text1[22]->text(), QStringLiteral("-14 °"));
    QVERIFY(rig.port->writes.isEmpty());
}

void TestLive::commaLocaleReadouts() {
    QLocale::setDefault(QLocale(QLocale::German));
    FormRig rig;
    Form1& form = *rig.form;
    form.CWSlide1[0]->setValue(129);
    form.CWSlide1[1]->setValue(0);
    QCOMPARE(form.Text1[12]->text(), QStringLiteral("0,5 °"));
    QCOMPARE(form.Text1[13]->text(), QStringLiteral("-64 °"));
    // Offsets are whole numbers: typed the same in every locale.
    typeInto(form.Text1[2], QStringLiteral("-3"));
    QTest::keyClick(form.Text1[2], Qt::Key_Enter);
    QCOMPARE(form.Text1[14]->text(), QStringLiteral("-1,5 °"));
    QCOMPARE(rig.port->written(), bytes({8, 129, 9, 0, 10, 125}));
}

void TestLive::flashTransferKeepsSlidersOffTheLine() {
    FormRig rig;
    Form1& form = *rig.form;
    form.declaration.AwaitingAck = true;
    form.CWSlide1[0]->setValue(200);
    QVERIFY(rig.port->writes.isEmpty());
    QCOMPARE(form.Text1[0]->text(), QStringLiteral("72"));
    QCOMPARE(form.statusBar()->currentMessage(), form.lineBusyText());
}

void TestLive::switchWithoutPortRefusesOnce() {
    FormRig rig(false);
    Form1& form = *rig.form;
    form.CWButtonMainOnOff->click();
    QVERIFY(!form.CWButtonMainOnOff->value());
    QCOMPARE(rig.dialogs.messages.size(), 1);
    QCOMPARE(rig.dialogs.messages[0].title, QStringLiteral("Program"));
    QCOMPARE(rig.dialogs.messages[0].text, QStringLiteral("No Connection Available!"));
    QVERIFY(rig.port->writes.isEmpty());
}

void TestLive::switchOnThenOff() {
    FormRig rig;
    Form1& form = *rig.form;
    form.CWButtonMainOnOff->click();
    QVERIFY(form.CWButtonMainOnOff->value());
    form.CWButtonMainOnOff->click();
    QVERIFY(!form.CWButtonMainOnOff->value());
    QCOMPARE(rig.port->writes, QList<QByteArray>({bytes({1}), bytes({0})}));
    QVERIFY(rig.dialogs.messages.isEmpty());
}

void TestLive::onAndOffButtons() {
    FormRig rig;
    Form1& form = *rig.form;
    form.CommandStart->click();
    QVERIFY(!form.CWButtonMainOnOff->value());
    form.CWButtonMainOnOff->click();
    form.CommandStop->click();
    QVERIFY(form.CWButtonMainOnOff->value());
    QCOMPARE(rig.port->written(), bytes({1, 1, 0}));
}

void TestLive::buttonsWithoutPortAreSilent() {
    FormRig rig(false);
    rig.form->CommandStart->click();
    rig.form->CommandStop->click();
    QVERIFY(rig.port->writes.isEmpty());
    QVERIFY(rig.dialogs.messages.isEmpty());
}

void TestLive::switchRefusedWhileLineBusyFallsBack() {
    FormRig rig;
    Form1& form = *rig.form;
    form.declaration.ReadingFlash = true;
    form.CWButtonMainOnOff->click();
    QVERIFY(!form.CWButtonMainOnOff->value());
    QVERIFY(rig.port->writes.isEmpty());
    QCOMPARE(form.statusBar()->currentMessage(), form.lineBusyText());
    form.declaration.ReadingFlash = false;
    form.CWButtonMainOnOff->click();
    QCOMPARE(rig.port->written(), bytes({1}));
}

void TestLive::closeWithPcControlOnSendsPcOffAtCloseAndTeardown() {
    auto rig = std::make_unique<FormRig>();
    QList<QByteArray> sent;
    rig->port->onWrite = [&sent](const QByteArray& b) { sent << b; };
    rig->form->show();
    rig->form->CWButtonMainOnOff->click();
    rig->form->close();
    QCOMPARE(sent, QList<QByteArray>({bytes({1}), bytes({0})}));
    rig.reset();
    QCOMPARE(sent, QList<QByteArray>({bytes({1}), bytes({0}), bytes({0})}));
}

QTEST_MAIN(TestLive)
#include "tst_live.moc"
