#include "support/FormRig.h"

#include "ui/shell/ClickableViews.h"
#include "ui/shell/HiResTimer.h"
#include "ui/shell/NumericField.h"
#include "ui/shell/ShellController.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <tuple>

// The window's shell: what it shows at start, the menus, the port chooser, the debug frame,
// Reset, Quit and closing.
class TestForm1 : public QObject {
    Q_OBJECT
private slots:
    void captionsAtStart_data();
    void captionsAtStart();
    void framesVisibleAtStart();
    void menusAndCheckMarks();
    void startupTimerIntervalRoundsHalfToEven_data();
    void startupTimerIntervalRoundsHalfToEven();

    void choosingPortOpensAtLineSettings();
    void portThatCannotOpenIsReportedAndChooserStaysEnabled();
    void lostDeviceIsReportedOnceAndChooserComesBack();
    void echoShowsEachByteAndClickEmpties();

    void resetWithPortOpenSendsResetThenSwitchHandling();
    void resetWithoutPortSendsNothingButSwitchesGoOff();
    void quitSendsPcOffOnceAndEndsWaits();
    void closeAndTeardownEachSendPcOff();
};

void TestForm1::captionsAtStart_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    const QList<std::pair<const char*, const char*>> rows = {
        {"FrameBuffEdit", "Buffer Editing"}, {"FrameSer", "Serial Comm Debug"},
        {"FrameFlash", "Flash Program"}, {"FrameRealEmu", "Real Emulator"},
        {"FramePCEmu", "PC Sequence Emulator  (Varible Time Steps)"},
        {"FramePCDeb", "PC Sequence Debug  (Fix Time Steps)"}, {"CommandDwn", "<---"},
        {"CommandInterpolate", "Interpolate"}, {"CommandUp", "--->"}, {"CommandClear", "Clear All"},
        {"CommandReplace", "Replace"}, {"CommandRem", "Remove"}, {"CommandAdd", "Add"},
        {"CommandInBuff", "InBuff"}, {"Command1", "Abort"}, {"CommandErase", "Erease"},
        {"CommandRead", "Read Seq."}, {"CommandFlash", "Program  Seq."},
        {"CWButtonRealEmu", "Real Emu"}, {"CommandRepeat", "Repeat"}, {"CommandContinue", "Continue"},
        {"CommandResBrk", "Reset  All Break"}, {"CommandBrk", "Set/Reset Break"},
        {"CWButtonEmuPC", "PC Emu"}, {"CWButtonManual", "PC Seq"}, {"CWButtonMainOnOff", "PC Ctr Enbl"},
        {"CommandStart", "ON"}, {"CommandStop", "OFF"}, {"CommandUpdate", "Reset"},
        {"LabelStep", "Step N° ..."}, {"Label1", "Step Duration"}, {"Label2", "Serial Comm Port:"},
    };
    for (const auto& [name, caption] : rows) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(caption);
    }
}

void TestForm1::captionsAtStart() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    FormRig rig(false);
    QWidget* w = rig.form->findChild<QWidget*>(name);
    QVERIFY2(w, qPrintable(name));
    QString shown;
    if (auto* frame = qobject_cast<QGroupBox*>(w)) {
        shown = frame->title();
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        shown = button->text();
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        shown = label->text();
    }
    QCOMPARE(shown, caption);
    QVERIFY(!w->accessibleName().isEmpty());
}

void TestForm1::framesVisibleAtStart() {
    FormRig rig(false);
    Form1& f = *rig.form;
    f.show();
    QCOMPARE(f.windowTitle(), QStringLiteral("Tessarel V 2.5"));
    for (QWidget* shown : std::initializer_list<QWidget*>{f.FrameMan, f.FrameBuffEdit, f.FramePCEmu,
                                                          f.FramePCDeb, f.ListSequence, f.ComboPort}) {
        QVERIFY2(shown->isVisible(), qPrintable(shown->objectName()));
    }
    for (QWidget* hidden : {f.FrameSer, f.FrameFlash, f.FrameRealEmu}) {
        QVERIFY2(!hidden->isVisible(), qPrintable(hidden->objectName()));
    }
    QVERIFY(!f.Command1->isEnabled());
    QVERIFY(!f.ProgressBarFlash->isVisibleTo(&f));
    QCOMPARE(f.ComboPort->count(), 8);
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(f.ComboPort->itemText(i), QStringLiteral("Comm%1").arg(i + 1));
        QCOMPARE(f.ComboPort->itemData(i).toInt(), i + 1);
    }
    const QStringList sliderCaptions = {"Ch0", "Ch1", "Ch2", "Ch3", "Ch4",  "Ch5",
                                        "Ch6", "Ch7", "Ch8", "Ch9", "Ch 10", "Ch11"};
    for (int c = 0; c < kChannelCount; ++c) {
        QCOMPARE(f.CWSlide1[c]->accessibleName(), sliderCaptions[c]);
        QCOMPARE(f.Text1[c + kChannelCount]->objectName(), QStringLiteral("Text1_%1").arg(c + kChannelCount));
    }
}

void TestForm1::menusAndCheckMarks() {
    FormRig rig(false);
    Form1& f = *rig.form;
    f.show();
    QStringList menus;
    for (QAction* a : f.menuBar()->actions()) {
        QStringList items;
        for (QAction* item : a->menu()->actions()) {
            if (!item->isSeparator()) {
                items << item->text();
            }
        }
        menus << a->text() + QLatin1Char(':') + items.join(QLatin1Char(','));
    }
    QCOMPARE(menus, QStringList({"File:Save Buffer,Load Buffer,Quit",
                                 "Advanced:Flash Progr,Serial Comm Debug,Reset"}));
    QVERIFY(!f.menuFlashProgr->isChecked());
    QVERIFY(!f.menuSerialDebug->isChecked());

    f.menuFlashProgr->trigger();
    QVERIFY(f.menuFlashProgr->isChecked());
    QVERIFY(f.FrameFlash->isVisible());
    QVERIFY(f.FrameRealEmu->isVisible());
    f.menuFlashProgr->trigger();
    QVERIFY(!f.FrameFlash->isVisible());
    QVERIFY(!f.FrameRealEmu->isVisible());

    f.menuSerialDebug->trigger();
    QVERIFY(f.menuSerialDebug->isChecked());
    QVERIFY(f.FrameSer->isVisible());
    f.menuSerialDebug->trigger();
    QVERIFY(!f.FrameSer->isVisible());
}

void TestForm1::startupTimerIntervalRoundsHalfToEven_data() {
    QTest::addColumn<double>("fixedStep");
    QTest::addColumn<int>("interval");
    QTest::newRow("start value") << 1000.0 << 1000;
    QTest::newRow("half rounds to even below") << 1000.5 << 1000;
    QTest::newRow("half rounds to even above") << 1001.5 << 1002;
    QTest::newRow("fraction rounds to nearest") << 87.6 << 88;
}

void TestForm1::startupTimerIntervalRoundsHalfToEven() {
    QFETCH(double, fixedStep);
    QFETCH(int, interval);
    FormRig rig(false);
    rig.form->CWNumEdit1->setValue(fixedStep);
    rig.form->shell->Form_Load();
    QCOMPARE(rig.form->HiTimer1->interval(), interval);
}

void TestForm1::choosingPortOpensAtLineSettings() {
    FormRig rig(false);
    Form1& f = *rig.form;
    rig.choosePort(2);
    QVERIFY(f.MSComm1->portOpen());
    QCOMPARE(rig.port->openedDevice, QStringLiteral("/dev/fake3"));
    QCOMPARE(f.ComboPort->itemData(2, Qt::ToolTipRole).toString(), QStringLiteral("/dev/fake3"));
    const LineSettings& line = rig.port->openedSettings;
    QCOMPARE(QStringLiteral("%1,%2,%3,%4").arg(line.baud).arg(QLatin1Char(line.parity)).arg(line.dataBits).arg(line.stopBits),
             QStringLiteral("9600,N,8,2"));
    QCOMPARE(std::tuple(f.MSComm1->inputLen(), f.MSComm1->rThreshold()), std::tuple(1, 1));
    QVERIFY(f.MSComm1->inputMode() == SerialControl::InputMode::Binary);
    QVERIFY(!f.ComboPort->isEnabled());
    QVERIFY(rig.port->writes.isEmpty() && rig.dialogs.messages.isEmpty());
}

void TestForm1::portThatCannotOpenIsReportedAndChooserStaysEnabled() {
    FormRig rig(false);
    rig.port->failOpen = true;
    rig.port->failOpenReason = QStringLiteral("Permission denied");
    rig.choosePort(0);
    QVERIFY(!rig.form->MSComm1->portOpen());
    QVERIFY(rig.form->ComboPort->isEnabled());
    QCOMPARE(rig.dialogs.messages.size(), 1);
    QCOMPARE(rig.dialogs.messages[0].title, QStringLiteral("Program"));
    QCOMPARE(rig.dialogs.messages[0].text,
             QStringLiteral("Comm1 (/dev/fake1) could not be opened: Permission denied."));

    // Once the device is free, the same choice opens it.
    rig.port->failOpen = false;
    rig.choosePort(0);
    QVERIFY(rig.form->MSComm1->portOpen());
    QVERIFY(!rig.form->ComboPort->isEnabled());
}

void TestForm1::lostDeviceIsReportedOnceAndChooserComesBack() {
    FormRig rig;
    rig.port->loseDevice(QStringLiteral("device removed"));
    QTRY_COMPARE(rig.dialogs.messages.size(), 1);
    QVERIFY(rig.dialogs.messages[0].text.contains(QStringLiteral("device removed")));
    QVERIFY(rig.form->ComboPort->isEnabled());
    QVERIFY(!rig.form->MSComm1->portOpen());
    // Senders now find the port closed.
    QVERIFY(rig.form->link->PcControlOn() == BoardLink::Sent::PortClosed);
    QTest::qWait(20);
    QCOMPARE(rig.dialogs.messages.size(), 1);
}

void TestForm1::echoShowsEachByteAndClickEmpties() {
    FormRig rig;
    Form1& f = *rig.form;
    rig.port->inject(QByteArray("\x41", 1));
    QTRY_COMPARE(f.Echo->text(), QStringLiteral("65"));
    rig.port->inject(QByteArray("\xff", 1));
    QTRY_COMPARE(f.Echo->text(), QStringLiteral("255"));
    QVERIFY(!f.declaration.ReplyDone);

    // Three bytes in one arrival: each gets its own notification, the last one stays shown.
    rig.port->inject(QByteArray("\x01\x02\x03", 3));
    QTRY_COMPARE(f.Echo->text(), QStringLiteral("3"));
    QCOMPARE(f.MSComm1->inBufferCount(), 0);

    // With notifications off, bytes pile up for InBuff to count; a click on Echo drops them.
    f.MSComm1->setRThreshold(0);
    rig.port->inject(QByteArray(5, '\x07'));
    QTRY_COMPARE(f.MSComm1->inBufferCount(), 5);
    f.CommandInBuff->click();
    QCOMPARE(f.Echo->text(), QStringLiteral("5"));
    f.menuSerialDebug->trigger();
    f.show();
    QTest::mouseClick(f.Echo, Qt::LeftButton);
    QCOMPARE(f.Echo->text(), QString());
    f.CommandInBuff->click();
    QCOMPARE(f.Echo->text(), QStringLiteral("0"));
}

void TestForm1::resetWithPortOpenSendsResetThenSwitchHandling() {
    FormRig rig;
    Form1& f = *rig.form;
    f.CWButtonMainOnOff->setValue(true);
    rig.port->clearWrites();
    f.menuReset->trigger();
    QCOMPARE(rig.port->writes.value(0), QByteArray("\x11", 1));
    // The PC-control switch was on: its switching off sends PcControlOff.
    QVERIFY(rig.port->written().startsWith(QByteArray("\x11\x00", 2)));
    for (SwitchControl* s : {f.CWButtonMainOnOff, f.CWButtonRealEmu, f.CWButtonEmuPC, f.CWButtonManual}) {
        QVERIFY(!s->value());
    }
}

void TestForm1::resetWithoutPortSendsNothingButSwitchesGoOff() {
    FormRig rig(false);
    Form1& f = *rig.form;
    // Switch on from code, quietly: with no port the switch would refuse on its own.
    for (SwitchControl* s : {f.CWButtonMainOnOff, f.CWButtonRealEmu, f.CWButtonEmuPC, f.CWButtonManual}) {
        s->setValueSilently(true);
    }
    f.menuReset->trigger();
    QVERIFY(rig.port->writes.isEmpty());
    for (SwitchControl* s : {f.CWButtonMainOnOff, f.CWButtonRealEmu, f.CWButtonEmuPC, f.CWButtonManual}) {
        QVERIFY(!s->value());
    }
}

void TestForm1::quitSendsPcOffOnceAndEndsWaits() {
    auto rig = std::make_unique<FormRig>();
    FakeTransport* port = rig->port;
    QList<QByteArray> sent;
    port->onWrite = [&sent](const QByteArray& bytes) { sent << bytes; };
    rig->form->menuQuit->trigger();
    QVERIFY(rig->form->declaration.shuttingDown);
    QCOMPARE(sent, QList<QByteArray>({QByteArray(1, '\0')}));
    // Nothing more runs after Quit: not at close, not at teardown.
    rig->form->close();
    rig.reset();
    QCOMPARE(sent.size(), 1);

    FormRig closed(false);
    closed.form->menuQuit->trigger();
    QVERIFY(closed.port->writes.isEmpty());
}

void TestForm1::closeAndTeardownEachSendPcOff() {
    auto rig = std::make_unique<FormRig>();
    QList<QByteArray> sent;
    rig->port->onWrite = [&sent](const QByteArray& bytes) { sent << bytes; };
    rig->form->show();
    rig->form->close();
    QCOMPARE(sent, QList<QByteArray>({QByteArray(1, '\0')}));
    rig.reset();
    QCOMPARE(sent, QList<QByteArray>({QByteArray(1, '\0'), QByteArray(1, '\0')}));
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
