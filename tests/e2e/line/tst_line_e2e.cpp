#include "e2e/PanelOnSim.h"

#include "core/sequence/StepLine.h"
#include "ui/flash/FlashController.h"
#include "ui/shell/SwitchControl.h"

#include <QAction>
#include <QRegularExpression>

namespace {
constexpr int kBase = 60; // step k holds position kBase + k on every channel

QStringList stepLines(int n, int durationMs) {
    QStringList lines;
    for (int k = 0; k < n; ++k) {
        StepRecord r{};
        std::fill_n(r.begin(), kChannelCount, kBase + k);
        r[kDurationField] = durationMs;
        lines << stepline::readBackForm(r, QLocale());
    }
    return lines;
}
} // namespace

// The real window and serial port against the board simulator pacing its line like the
// board's: 1.146 ms a byte, 27.5 ms a burst.
class TestLineEndToEnd : public QObject, PanelOnSim {
    Q_OBJECT

    // The channel events the board logged, as positions in arrival order.
    QList<QPair<int, int>> channelEvents(int upTo = -1) const {
        static const QRegularExpression channel(QStringLiteral("^channel (\\d+) (\\d+)$"));
        QList<QPair<int, int>> events;
        const QStringList lines = m_sim->lines();
        for (int i = 0; i < (upTo < 0 ? lines.size() : upTo); ++i) {
            const auto m = channel.match(lines[i]);
            if (m.hasMatch()) {
                events.append({m.captured(1).toInt(), m.captured(2).toInt()});
            }
        }
        return events;
    }
    int burstsAtBoard() const {
        return int(m_sim->lines().filter(QRegularExpression(QStringLiteral("^channel 11 "))).size());
    }

private slots:
    void cleanup() {
        m_form.reset();
        if (m_sim) {
            QVERIFY(m_sim->stop());
        }
        m_sim.reset();
        m_dialogs.messages.clear();
    }

    // Steps of 20 ms on a line that needs 27.5 ms for one: every pose reaches the board whole
    // and in order, the panel shows the step on the line, and a stop reaches the board behind
    // at most the burst going out, not behind a queue of them.
    void playbackStops_data() {
        QTest::addColumn<QString>("stop");
        QTest::addColumn<QString>("mark"); // the board's line for the stop's own byte
        QTest::newRow("PC Emu off") << "emu" << "";
        QTest::newRow("Reset") << "reset" << "reset";
        QTest::newRow("closing the window") << "close" << "pc-control off";
    }
    void playbackStops() {
        QFETCH(QString, stop);
        QFETCH(QString, mark);
        start({"--pace"});
        MainWindow& f = *m_form;
        const int n = 7;
        f.panel().editor().replaceAll(stepLines(n, 20));
        f.pcEmuFrame().pcEmuSwitch->click();
        QVERIFY(m_sim->waitForLine([this](const QString&) { return burstsAtBoard() >= 30; }) >= 0);
        QCoreApplication::processEvents(); // every line logged so far is in
        const int atClick = burstsAtBoard();
        const int linesAtClick = int(m_sim->lines().size());
        const int shown = f.panel().list().selectedIndex();
        if (stop == "emu") {
            f.pcEmuFrame().pcEmuSwitch->click();
        } else if (stop == "reset") {
            f.menus().resetAction->trigger();
        } else {
            f.close();
        }
        int marked = -1;
        if (!mark.isEmpty()) {
            marked = m_sim->waitForLine(mark, linesAtClick);
            QVERIFY(marked >= 0);
        } else {
            QTest::qWait(300); // ShowStep's bytes, if any, have arrived by then
        }
        const QList<QPair<int, int>> events = channelEvents(marked);
        QCOMPARE(events.size() % kChannelCount, 0);
        const int bursts = int(events.size()) / kChannelCount;
        int previous = -1;
        for (int b = 0; b < bursts; ++b) {
            const int step = events[b * kChannelCount].second - kBase;
            for (int c = 0; c < kChannelCount; ++c) {
                QCOMPARE(events[b * kChannelCount + c], qMakePair(c, kBase + step));
            }
            // PC Emu off shows the step it stopped on: the board gets that pose once more.
            const bool shownAgain = stop == "emu" && b == bursts - 1 && step == previous;
            QVERIFY2(previous < 0 || step == (previous + 1) % n || shownAgain,
                     qPrintable(QStringLiteral("burst %1: step %2 after %3").arg(b).arg(step).arg(previous)));
            previous = step;
        }
        QCOMPARE(previous, shown);
        // At most the burst going out and one whose line was still on its way to the test;
        // a queue of 20 ms steps would bring dozens.
        QVERIFY2(bursts - atClick - (stop == "emu" && bursts > 0 ? 1 : 0) <= 2,
                 qPrintable(QStringLiteral("%1 bursts after the stop").arg(bursts - atClick)));
    }

    // "Verify Flash" reads as "Read Seq." does and only tells; the list never changes. Its
    // abort is the read's, tried in the flash end-to-end test.
    void verify() {
        start({"--pace"});
        MainWindow& f = *m_form;
        const QStringList lines = stepLines(30, 1000);
        f.panel().editor().replaceAll(lines);
        f.flashFrame().programButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(!f.panel().board().transfer(), 30000);
        QCOMPARE(m_dialogs.texts(), QStringList{FlashController::kProgrammed});
        m_dialogs.messages.clear();

        f.flashFrame().verifyButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(!f.panel().board().transfer(), 30000);
        QCOMPARE(m_dialogs.texts(),
                 QStringList{QStringLiteral("The board's flash holds this list (30 steps).")});
        m_dialogs.messages.clear();

        StepRecord changed{};
        std::fill_n(changed.begin(), kChannelCount, kBase + 4);
        changed[7] = 129;
        changed[kDurationField] = 1000;
        QStringList edited = lines;
        edited[4] = stepline::readBackForm(changed, QLocale());
        edited << lines.first();
        f.panel().editor().replaceAll(edited);
        const SequenceTable table = f.panel().editor().table();
        f.menus().verifyFlashAction->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!f.panel().board().transfer(), 30000);
        QCOMPARE(m_dialogs.texts(),
                 QStringList{QString::fromUtf8("The board's flash does not hold this list. Step N° "
                                               "4, Ch7: the flash holds -32 °, the list 0.5 °; 2 "
                                               "steps differ.")});
        QCOMPARE(f.panel().list().lines(), edited);
        QVERIFY(f.panel().editor().table() == table);
        QVERIFY(f.panel().serial().inputLen() == 1 && f.panel().serial().rThreshold() == 1);
    }
};

QTEST_MAIN(TestLineEndToEnd)
#include "tst_line_e2e.moc"
