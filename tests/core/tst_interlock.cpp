#include "core/Interlock.h"

#include <QTest>

using namespace interlock;
using C = Command;

Q_DECLARE_METATYPE(Command)

namespace {
// The columns of the table, one thing running at a time.
constexpr Activities kColumns[] = {
    0, PcEmuPlaying, PcEmuHalted, PcSeq, BoardPlayback, FlashProgram, FlashRead, InterpDialog};
} // namespace

class TestInterlock : public QObject {
    Q_OBJECT
private slots:
    // r runs, x is refused, d is deferred until the transfer ends.
    void table_data() {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("outcomes");
        const auto row = [](Command c, const char* outcomes) {
            QTest::newRow(qPrintable(commandName(c))) << c << QString::fromLatin1(outcomes);
        };
        // clang-format off
        //                       idle emu halt seq real prog read dialog
        row(C::MoveSlider,      "r    r   r    r   r    d    d    r");
        row(C::CentreAll,       "r    r   r    r   r    d    d    r");
        row(C::PcControl,       "r    r   r    r   r    x    x    r");
        row(C::SelectLine,      "r    r   r    r   r    r    r    x");
        row(C::ShowStep,        "r    r   r    r   r    x    x    x");
        row(C::Add,             "r    r   r    r   r    x    x    x");
        row(C::Remove,          "r    r   r    r   r    x    x    x");
        row(C::Replace,         "r    r   r    r   r    x    x    x");
        row(C::ClearAll,        "r    r   r    r   r    x    x    x");
        row(C::DragLine,        "r    r   r    r   r    x    x    x");
        row(C::SetBreak,        "r    r   r    r   r    x    x    x");
        row(C::ResetAllBreaks,  "r    r   r    r   r    x    x    x");
        row(C::Interpolate,     "r    x   x    x   r    x    x    x");
        row(C::InterpolateOk,   "r    x   x    x   r    x    x    r");
        row(C::Undo,            "r    r   r    r   r    x    x    x");
        row(C::Redo,            "r    r   r    r   r    x    x    x");
        row(C::PcEmuOn,         "r    r   r    x   x    x    x    x");
        row(C::PcEmuOff,        "r    r   r    r   r    x    x    r");
        row(C::PcSeqOn,         "r    x   x    r   x    x    x    x");
        row(C::PcSeqOff,        "r    r   r    r   r    x    x    r");
        row(C::Repeat,          "r    r   r    r   r    x    x    r");
        row(C::Continue,        "r    r   r    r   r    x    x    r");
        row(C::FixedStepTime,   "r    r   r    r   r    r    r    r");
        row(C::PlayStep,        "r    r   r    r   r    x    x    r");
        row(C::Program,         "r    r   r    r   r    x    x    r");
        row(C::Read,            "r    r   r    r   r    x    x    x");
        row(C::Verify,          "r    r   r    r   r    x    x    r");
        row(C::Erase,           "r    r   r    r   r    x    x    r");
        row(C::RealEmuOn,       "r    x   x    x   r    x    x    r");
        row(C::RealEmuOff,      "r    r   r    r   r    x    x    r");
        row(C::Abort,           "r    r   r    r   r    r    r    r");
        row(C::BoardReset,      "r    r   r    r   r    x    x    r");
        row(C::Save,            "r    r   r    r   r    x    x    x");
        row(C::Load,            "r    r   r    r   r    x    x    x");
        row(C::ExportTimeline,  "r    r   r    r   r    x    x    r");
        row(C::ShowHideFrames,  "r    r   r    r   r    r    r    r");
        row(C::ChoosePort,      "r    r   r    r   r    x    x    r");
        row(C::EchoClick,       "r    r   r    r   r    x    x    r");
        row(C::InBuff,          "r    r   r    r   r    r    r    r");
        row(C::ClosePort,       "r    x   x    x   x    x    x    r");
        row(C::ChannelSetup,    "r    r   r    r   r    x    x    r");
        row(C::SendChangedOnly, "r    x   x    x   r    r    r    r");
        row(C::Cut,             "r    r   r    r   r    x    x    x");
        row(C::Copy,            "r    r   r    r   r    r    r    r");
        row(C::Paste,           "r    r   r    r   r    x    x    x");
        row(C::Duplicate,       "r    r   r    r   r    x    x    x");
        row(C::MoveLines,       "r    r   r    r   r    x    x    x");
        row(C::EditStep,        "r    r   r    r   r    x    x    x");
        row(C::FollowDrag,      "r    x   x    x   r    x    x    x");
        row(C::Quit,            "r    r   r    r   r    r    r    r");
        // clang-format on
    }
    void table() {
        QFETCH(Command, command);
        QFETCH(QString, outcomes);
        const QString expected = outcomes.simplified().remove(QLatin1Char(' '));
        QCOMPARE(expected.size(), qsizetype(std::size(kColumns)));
        QString got;
        for (Activities now : kColumns) {
            const Decision d = decide(now, command);
            got += d.outcome == Outcome::Runs ? 'r' : d.outcome == Outcome::Refused ? 'x' : 'd';
            QCOMPARE(d.reason.isEmpty(), d.outcome == Outcome::Runs); // a refusal says why
        }
        QCOMPARE(got, expected);
    }

    // Several at once: the transfer decides first, then the dialog, then playback.
    void together() {
        QCOMPARE(decide(FlashRead | InterpDialog, C::MoveSlider).outcome, Outcome::Deferred);
        QCOMPARE(decide(PcEmuPlaying | FlashProgram, C::Interpolate).reason,
                 decide(FlashProgram, C::Interpolate).reason);
        QCOMPARE(decide(PcEmuHalted, C::Interpolate).reason, QStringLiteral("Stop the playback first."));
    }
};

QTEST_GUILESS_MAIN(TestInterlock)
#include "tst_interlock.moc"
