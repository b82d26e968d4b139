#include "support/FormRig.h"

#include "ui/session/SessionController.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {
// What screen readers and UI automation are told.
QString accessibleName(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name) : QString();
}
} // namespace

// The window's shell: what it shows at start, the menus, the port chooser, Reset, Quit and
// closing, and what it keeps between runs.
class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void windowAtStart() {
        FormRig rig(false);
        MainWindow& f = *rig.form;
        f.show();
        QCOMPARE(f.windowTitle(), QStringLiteral("Tessarel V 2.5"));
        const QStringList captions =
            QString::fromUtf8(
                "FrameBuffEdit=Buffer Editing|FrameSer=Serial Comm Debug"
                "|FrameFlash=Flash Program|FrameRealEmu=Real Emulator"
                "|FramePCEmu=PC Sequence Emulator  (Varible Time Steps)"
                "|FramePCDeb=PC Sequence Debug  (Fix Time Steps)|CommandDwn=<---"
                "|CommandInterpolate=Interpolate|CommandUp=--->|CommandClear=Clear All"
                "|CommandReplace=Replace|CommandRem=Remove|CommandAdd=Add|CommandInBuff=InBuff"
                "|Command1=Abort|CommandErase=Erease|CommandRead=Read Seq."
                "|CommandFlash=Program  Seq.|CommandVerify=Verify Flash|CWButtonRealEmu=Real "
                "Emu|CommandRepeat=Repeat"
                "|CommandContinue=Continue|CommandResBrk=Reset  All Break"
                "|CommandBrk=Set/Reset Break|CWButtonEmuPC=PC Emu|CWButtonManual=PC Seq"
                "|CWButtonMainOnOff=PC Ctr Enbl|CommandStart=ON|CommandStop=OFF"
                "|CommandUpdate=Reset|LabelStep=Step N° ...|Label1=Step Duration"
                "|Label2=Serial Comm Port:|CWSlide1_10=|Text1_23=")
                .split(QLatin1Char('|'));
        for (const QString& row : captions) {
            const QString name = row.section(QLatin1Char('='), 0, 0);
            auto* w = f.findChild<QWidget*>(name);
            QVERIFY2(w && !accessibleName(w).isEmpty(), qPrintable(name));
            const char* caption = qobject_cast<QGroupBox*>(w) ? "title"
                                  : w->inherits("QAbstractButton") || w->inherits("QLabel") ? "text"
                                                                                            : "";
            QCOMPARE(name + QLatin1Char('=') + w->property(caption).toString(), row);
        }
        for (QWidget* hidden :
             std::initializer_list<QWidget*>{f.serialDebugFrame().frame, f.flashFrame().frame,
                                             f.realEmuFrame().frame, f.flashFrame().progressBar}) {
            QVERIFY2(!hidden->isVisible(), qPrintable(hidden->objectName()));
        }
        QVERIFY(f.pcEmuFrame().frame->isVisible() && f.pcDebugFrame().frame->isVisible() &&
                !f.flashFrame().abortButton->isEnabled());
        QCOMPARE(f.sideColumn().portChooser->count(), 8);
        QCOMPARE(f.sideColumn().portChooser->itemText(7) +
                     f.sideColumn().portChooser->itemData(7).toString(),
                 QStringLiteral("Comm8 \u2014 /dev/fake88"));

        // Each entry as "object name=text shortcut", the menus' names on their own entries.
        const auto entry = [](QAction* a) {
            const QString keys = a->shortcut().toString();
            const QObject* named = a->menu() ? static_cast<QObject*>(a->menu()) : a;
            return a->isSeparator() ? QStringLiteral("-")
                                    : named->objectName() + '=' + a->text() +
                                          (keys.isEmpty() ? "" : " " + keys);
        };
        QStringList menus;
        for (QAction* menu : f.menuBar()->actions()) {
            menus << entry(menu);
            for (QAction* item : menu->menu()->actions()) {
                menus << entry(item);
            }
        }
        QCOMPARE(menus.join(QLatin1Char(',')),
                 QStringLiteral(
                     "menuFile=&File,menuSave=Sa&ve Ctrl+S,"
                     "menuSaveBuffer=&Save Buffer Ctrl+Shift+S,menuLoadBuffer=&Load Buffer Ctrl+O,"
                     "menuOpenRecent=Open &Recent,-,"
                     "menuQuit=&Quit Ctrl+Q,menuEdit=&Edit,menuUndo=Undo Ctrl+Z,"
                     "menuRedo=Redo Ctrl+Shift+Z,-,menuAddStep=&Add Step Ins,"
                     "menuReplaceStep=&Replace Step Ctrl+R,-,menuCut=Cu&t Ctrl+X,menuCopy=&Copy Ctrl+C,"
                     "menuPaste=&Paste Ctrl+V,menuDuplicate=&Duplicate Ctrl+D,-,"
                     "menuMoveUp=Move &Up Alt+Up,menuMoveDown=Move Do&wn Alt+Down,"
                     "menuAdvanced=&Advanced,menuFlashProgr=&Flash Progr,"
                     "menuSerialDebug=Serial Comm &Debug,menuReset=&Reset,"
                     "menuVerifyFlash=&Verify Flash,menuClosePort=&Close Port,-,"
                     "menuChannelSetup=Channel &Setup\u2026,"
                     "menuChangedOnly=Send C&hanged Channels Only,menuView=&View,"
                     "menuTimeline=&Timeline,menuExportTimeline=&Export Timeline\u2026"));
    }

    void choosingPortOpensAtLineSettings() {
        FormRig rig(false);
        MainWindow& f = *rig.form;
        rig.choosePort(2);
        QCOMPARE(rig.port->openedDevice, QStringLiteral("/dev/fake3"));
        const LineSettings& line = rig.port->openedSettings;
        QCOMPARE(QStringLiteral("%1,%2,%3,%4")
                     .arg(line.baud)
                     .arg(QLatin1Char(line.parity))
                     .arg(line.dataBits)
                     .arg(line.stopBits),
                 QStringLiteral("9600,N,8,2"));
        QCOMPARE(std::pair(f.panel().serial().inputLen(), f.panel().serial().rThreshold()),
                 std::pair(1, 1));
        QVERIFY(!f.sideColumn().portChooser->isEnabled() && rig.port->writes.isEmpty() &&
                rig.dialogs.messages.isEmpty());
    }

    void portThatCannotOpenIsReportedAndChooserStaysEnabled() {
        FormRig rig(false);
        rig.port->failOpen = true;
        rig.port->failOpenReason = QStringLiteral("Permission denied");
        rig.form->linkController().setFailureObserver([](const QString& device) {
            openfailure::Facts seen;
            seen.device = device;
            seen.exists = true;
            return seen;
        });
        rig.choosePort(0);
        QVERIFY(!rig.form->panel().serial().portOpen() &&
                rig.form->sideColumn().portChooser->isEnabled());
        // The text itself is the open-failure test's.
        QVERIFY(rig.dialogs.texts().value(0).startsWith("Comm1 (/dev/fake1) could not be opened"));
        QCOMPARE(rig.dialogs.messages[0].title, QStringLiteral("Program"));
        rig.port->failOpen = false; // once the device is free, the same choice opens it
        rig.choosePort(0);
        QVERIFY(rig.form->panel().serial().portOpen() &&
                !rig.form->sideColumn().portChooser->isEnabled());
    }

    void resetSendsResetThenEachSwitchHandling_data() {
        QTest::addColumn<bool>("portOpen");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("port open") << true << QByteArray("\x11\x00", 2);
        QTest::newRow("no port") << false << QByteArray();
    }
    void resetSendsResetThenEachSwitchHandling() {
        QFETCH(bool, portOpen);
        FormRig rig(portOpen);
        MainWindow& f = *rig.form;
        f.sideColumn().pcControlSwitch->setValue(true);
        const auto switches = {f.sideColumn().pcControlSwitch, f.realEmuFrame().realEmuSwitch,
                               f.pcEmuFrame().pcEmuSwitch, f.pcDebugFrame().pcSeqSwitch};
        for (SwitchControl* s : switches) {
            s->setValueSilently(true);
        }
        rig.port->clearWrites();
        f.menus().resetAction->trigger();
        QTEST(rig.sent().left(2), "sent");
        QVERIFY(std::none_of(switches.begin(), switches.end(), [](auto* s) { return s->value(); }));
    }

    // Quit sends PC control off once and nothing after (closing the window is the end-to-end
    // test's). During a transfer both end it alike and send nothing more into the image.
    void shutdown_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("Quit") << "quit" << QByteArray::fromHex("00");
        QTest::newRow("Quit, no port") << "quit, closed" << QByteArray();
        QTest::newRow("Quit during a transfer")
            << "quit, transfer" << QByteArray::fromHex("02000e");
        QTest::newRow("close box during a transfer")
            << "close, transfer" << QByteArray::fromHex("02000e");
    }
    void shutdown() {
        QFETCH(QString, how);
        auto rig = std::make_unique<FormRig>(!how.contains("closed"));
        MainWindow& f = *rig->form;
        f.panel().editor().replaceAll({QStringLiteral("0 \u00B0\t").repeated(12) + "1000 ms"});
        f.show();
        QByteArray sent;
        rig->port->onWrite = [&sent](const QByteArray& bytes) { sent += bytes; };
        const auto end = [&] {
            how.startsWith("quit") ? f.menus().quitAction->trigger() : void(f.close());
        };
        if (how.contains("transfer")) {
            f.flashFrame().programButton->click(); // no board answers: it runs until the end
            QVERIFY(f.panel().activities() & interlock::FlashProgram);
        }
        end();
        f.close();
        QVERIFY(f.panel().board().closing() && !f.panel().board().transfer());
        rig.reset();
        QTEST(sent, "sent");
    }

    // A pose composed without the mouse: the slider keeps the keys while its steps are added
    // and replaced.
    void composeFromTheKeys() {
        FormRig rig;
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        QSlider* ch0 = rig.form->channelsFrame().sliders[0]->slider();
        ch0->setFocus(Qt::TabFocusReason);
        QTest::keyClick(ch0, Qt::Key_PageUp);
        QTest::keyClick(ch0, Qt::Key_Insert);
        const QString rest = QStringLiteral("0 °\t").repeated(11) + "20 ms";
        QCOMPARE(rig.form->panel().list().count(), 1);
        QCOMPARE(rig.form->panel().list().line(0), "8 °\t" + rest);
        QTest::keyClick(ch0, Qt::Key_Up);
        QTest::keyClick(ch0, Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(rig.form->panel().list().count(), 1);
        QCOMPARE(rig.form->panel().list().line(0), "8.5 °\t" + rest);
        QCOMPARE(QApplication::focusWidget(), ch0);
        // An offset typed and not yet entered counts, as when a click on the button takes the
        // focus from the box.
        QLineEdit* offset = rig.form->channelsFrame().offsetBoxes[0];
        offset->setFocus(Qt::TabFocusReason);
        offset->selectAll();
        QTest::keyClicks(offset, "-40");
        QTest::keyClick(offset, Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(rig.form->panel().list().line(0), "-20 °\t" + rest);
        QCOMPARE(offset->text(), QStringLiteral("-40"));
    }

    // Keys start at the port chooser, a slider with the keys shows it on its caption, and Tab
    // follows the reading order; the angle boxes are no stop.
    void tabOrder() {
        FormRig rig(false);
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        QCOMPARE(QApplication::focusWidget(), rig.form->sideColumn().portChooser);
        const SlideControl* ch0 = rig.form->channelsFrame().sliders[0];
        const auto* caption = ch0->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(caption->text(), QStringLiteral("Ch0"));
        ch0->slider()->setFocus(Qt::TabFocusReason);
        QCOMPARE(caption->backgroundRole(), QPalette::Highlight);
        rig.form->sideColumn().portChooser->setFocus(Qt::TabFocusReason);
        QCOMPARE(caption->backgroundRole(), QPalette::Window);

        QStringList stops;
        QWidget* w = rig.form->sideColumn().portChooser;
        for (int i = 0; i < 12; ++i, w = w->nextInFocusChain()) {
            while (!(w->focusPolicy() & Qt::TabFocus)) {
                w = w->nextInFocusChain();
            }
            const QWidget* named = w->objectName() == "slider" ? w->parentWidget() : w;
            stops << named->objectName();
        }
        QCOMPARE(stops.join(' '), QStringLiteral("ComboPort CWButtonMainOnOff CommandStart CommandStop "
                                                 "ListSequence CWSlide1_0 Text1_0 CWSlide1_1 Text1_1 "
                                                 "CWSlide1_2 Text1_2 CWSlide1_3"));
    }

    // At its minimum size, with every frame shown, the window still shows each caption whole.
    void noCaptionClippedAtMinimumSize() {
        FormRig rig;
        MainWindow& w = *rig.form;
        w.show();
        w.sessionController().showFlashFrames(true);
        w.sessionController().showSerialDebug(true);
        w.resize(1, 1);
        QApplication::processEvents();
        QVERIFY(w.width() <= 1280 && w.height() <= 800);
        QStringList clipped;
        for (const QWidget* c : w.findChildren<QWidget*>()) {
            const auto* box = qobject_cast<const QGroupBox*>(c);
            const QString text = (box ? box->title() : c->property("text").toString()).remove('&');
            if (c->isVisibleTo(&w) && c->fontMetrics().horizontalAdvance(text) > c->width()) {
                clipped << c->objectName() + ": " + text;
            }
        }
        for (QAction* menu : w.menuBar()->actions()) {
            if (!w.menuBar()->rect().contains(w.menuBar()->actionGeometry(menu))) {
                clipped << menu->text();
            }
        }
        QCOMPARE(clipped, QStringList());
    }

    // What the window keeps between runs: each case closes one window and starts another over
    // the same settings, as the next run would.
    void geometryAndDocks() {
        FormRig rig(false);
        MainWindow& form = *rig.form;
        form.show();
        form.resize(1600, 950);
        form.menus().timelineAction->trigger();
        form.addDockWidget(Qt::RightDockWidgetArea, form.timelineDock());
        QVERIFY(form.close());

        const FormRig next(FormRig::NextRun{});
        next.form->showAtStart();
        QCOMPARE(next.form->size(), QSize(1600, 950));
        QVERIFY(!next.form->isMaximized());
        QVERIFY(!next.form->timelineDock()->isHidden());
        QVERIFY(next.form->timelineDock()->widget() != nullptr);
        QVERIFY(next.form->menus().timelineAction->isChecked());
        QCOMPARE(next.form->dockWidgetArea(next.form->timelineDock()), Qt::RightDockWidgetArea);
    }

    // With nothing remembered the window never reaches under the screen's edge.
    void firstRunFitsTheScreen() {
        FormRig rig(false);
        rig.form->showAtStart();
        const QSize room = rig.form->screen()->availableGeometry().size();
        if (room.width() >= 1280 && room.height() >= 848) {
            QCOMPARE(rig.form->size(), QSize(1280, 800));
        } else {
            QVERIFY(rig.form->isMaximized());
        }
    }

    void folderOfTheLastFile() {
        FormRig rig(false);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("songs"));
        rig.dialogs.fileAnswers = {dir.filePath("songs/walk.dat")};
        rig.form->menus().saveBufferAction->trigger();
        QCOMPARE(rig.dialogs.questions.size(), 1);
        QCOMPARE(rig.dialogs.questions[0].folder, QString());
        rig.form->menus().loadBufferAction->trigger();
        QCOMPARE(rig.dialogs.questions[1].folder, dir.filePath("songs"));
        rig.form.reset();

        FormRig next(FormRig::NextRun{});
        next.form->menus().loadBufferAction->trigger();
        QCOMPARE(next.dialogs.questions.size(), 1);
        QCOMPARE(next.dialogs.questions[0].folder, dir.filePath("songs"));
    }

    void portShownNotOpened() {
        FormRig rig(false);
        rig.choosePort(2);
        QVERIFY(rig.port->isOpen());
        rig.form.reset();

        const FormRig next(FormRig::NextRun{});
        const PortChooser& chooser = *next.form->sideColumn().portChooser;
        QCOMPARE(chooser.currentIndex(), 2);
        QCOMPARE(chooser.portName(2), "Comm3");
        QVERIFY(chooser.isEnabled());
        QVERIFY(!next.port->isOpen() && next.port->openedDevice.isEmpty());
        QCOMPARE(next.form->connectionField()->text(), "Not connected");
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
