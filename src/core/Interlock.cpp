#include "core/Interlock.h"

#include <QCoreApplication>

namespace interlock {

namespace {

using C = Command;
using Commands = quint64;

constexpr Commands bit(Command c) {
    return Commands{1} << static_cast<unsigned>(c);
}

template <typename... Cs> constexpr Commands any(Cs... cs) {
    return (bit(cs) | ...);
}

static_assert(static_cast<unsigned>(C::Quit) < 64, "one bit per command");

constexpr Activities kAlways = ~Activities{0};
constexpr Commands kEvery = ~Commands{0};
// Save is one of them: it clears the breakpoints.
constexpr Commands kChangesList =
    any(C::Add, C::Remove, C::Replace, C::ClearAll, C::DragLine, C::SetBreak, C::ResetAllBreaks,
        C::InterpolateOk, C::Undo, C::Redo, C::Save, C::Load, C::Read, C::Cut, C::Paste,
        C::Duplicate, C::MoveLines, C::EditStep);

struct Rule {
    Activities running; // the row applies while any of these runs
    Commands commands;
    Outcome outcome;
    const char* reason;
};

// Read top to bottom; the first row that matches what runs and the command decides.
constexpr Rule kRules[] = {
    // The dialog works on the line it was opened on.
    {InterpDialog, bit(C::SelectLine), Outcome::Refused,
     QT_TRANSLATE_NOOP("Interlock", "Close the interpolation dialog first.")},

    // Playback reads the option when it starts; a run keeps one way of sending.
    {kPcPlayback, bit(C::SendChangedOnly), Outcome::Refused,
     QT_TRANSLATE_NOOP("Interlock", "Stop the playback first.")},

    // Neither the list nor the line, and no dialog that would stall a wait.
    {kAlways,
     any(C::Abort, C::ShowHideFrames, C::InBuff, C::SelectLine, C::FixedStepTime,
         C::SendChangedOnly, C::Quit),
     Outcome::Runs, ""},
    // Only the clipboard takes the lines.
    {kAlways, bit(C::Copy), Outcome::Runs, ""},

    // A flash transfer owns the line: a byte of ours would land inside the image, a modal
    // dialog would stall the exchange until the board gives up, and the list stays as it is.
    {kTransfer, any(C::MoveSlider, C::CentreAll), Outcome::Deferred,
     QT_TRANSLATE_NOOP("Interlock", "The board is busy with a flash transfer; the channels are "
                                    "sent when it ends.")},
    {kTransfer, bit(C::PlayStep), Outcome::Refused,
     QT_TRANSLATE_NOOP("Interlock", "The board is busy with a flash transfer; playback steps are "
                                    "not sent until it ends.")},
    {kTransfer, kEvery, Outcome::Refused,
     QT_TRANSLATE_NOOP("Interlock", "The board is busy with a flash transfer; wait for it to end "
                                    "or Abort it.")},

    // Nothing may move or replace the dialog's line meanwhile.
    {InterpDialog, bit(C::Interpolate), Outcome::Refused,
     QT_TRANSLATE_NOOP("Interlock", "The interpolation dialog is already open.")},
    {InterpDialog,
     (kChangesList & ~bit(C::InterpolateOk)) |
         any(C::ShowStep, C::PcEmuOn, C::PcSeqOn, C::FollowDrag),
     Outcome::Refused, QT_TRANSLATE_NOOP("Interlock", "Close the interpolation dialog first.")},

    // Playback moves the selection under the dialog.
    {kPcPlayback, any(C::Interpolate, C::InterpolateOk), Outcome::Refused,
     QT_TRANSLATE_NOOP("Interlock", "Stop the playback first.")},

    // PC playback writes to the port; the board's own would play on with no switch to stop it.
    {kPcPlayback | BoardPlayback, bit(C::ClosePort), Outcome::Refused,
     QT_TRANSLATE_NOOP("Interlock", "Stop the playback first.")},
    // Playback owns the servos; the edited step plays when its turn comes.
    {kPcPlayback, bit(C::FollowDrag), Outcome::Refused,
     QT_TRANSLATE_NOOP("Interlock", "The servo follows the timeline once playback stops.")},

    // One player at a time.
    {BoardPlayback, any(C::PcEmuOn, C::PcSeqOn), Outcome::Refused,
     QT_TRANSLATE_NOOP("Interlock", "Switch \"Real Emu\" off first.")},
    {PcEmuPlaying | PcEmuHalted, any(C::PcSeqOn, C::RealEmuOn), Outcome::Refused,
     QT_TRANSLATE_NOOP("Interlock", "Switch \"PC Emu\" off first.")},
    {PcSeq, any(C::PcEmuOn, C::RealEmuOn), Outcome::Refused,
     QT_TRANSLATE_NOOP("Interlock", "Switch \"PC Seq\" off first.")},

    {kAlways, kEvery, Outcome::Runs, ""},
};

} // namespace

Decision decide(Activities now, Command c) {
    for (const Rule& rule : kRules) {
        const bool applies = rule.running == kAlways || (now & rule.running) != 0;
        if (applies && (rule.commands & bit(c)) != 0) {
            if (rule.outcome == Outcome::Runs) {
                return {};
            }
            return {rule.outcome, QCoreApplication::translate("Interlock", rule.reason)};
        }
    }
    return {};
}

QString commandName(Command c) {
    switch (c) {
    case C::MoveSlider: return QStringLiteral("MoveSlider");
    case C::PcControl: return QStringLiteral("PcControl");
    case C::CentreAll: return QStringLiteral("CentreAll");
    case C::SelectLine: return QStringLiteral("SelectLine");
    case C::ShowStep: return QStringLiteral("ShowStep");
    case C::Add: return QStringLiteral("Add");
    case C::Remove: return QStringLiteral("Remove");
    case C::Replace: return QStringLiteral("Replace");
    case C::ClearAll: return QStringLiteral("ClearAll");
    case C::DragLine: return QStringLiteral("DragLine");
    case C::SetBreak: return QStringLiteral("SetBreak");
    case C::ResetAllBreaks: return QStringLiteral("ResetAllBreaks");
    case C::Interpolate: return QStringLiteral("Interpolate");
    case C::InterpolateOk: return QStringLiteral("InterpolateOk");
    case C::Undo: return QStringLiteral("Undo");
    case C::Redo: return QStringLiteral("Redo");
    case C::PcEmuOn: return QStringLiteral("PcEmuOn");
    case C::PcEmuOff: return QStringLiteral("PcEmuOff");
    case C::PcSeqOn: return QStringLiteral("PcSeqOn");
    case C::PcSeqOff: return QStringLiteral("PcSeqOff");
    case C::Repeat: return QStringLiteral("Repeat");
    case C::Continue: return QStringLiteral("Continue");
    case C::FixedStepTime: return QStringLiteral("FixedStepTime");
    case C::PlayStep: return QStringLiteral("PlayStep");
    case C::Program: return QStringLiteral("Program");
    case C::Read: return QStringLiteral("Read");
    case C::Verify: return QStringLiteral("Verify");
    case C::Erase: return QStringLiteral("Erase");
    case C::RealEmuOn: return QStringLiteral("RealEmuOn");
    case C::RealEmuOff: return QStringLiteral("RealEmuOff");
    case C::Abort: return QStringLiteral("Abort");
    case C::BoardReset: return QStringLiteral("BoardReset");
    case C::Save: return QStringLiteral("Save");
    case C::Load: return QStringLiteral("Load");
    case C::ExportTimeline: return QStringLiteral("ExportTimeline");
    case C::ShowHideFrames: return QStringLiteral("ShowHideFrames");
    case C::ChoosePort: return QStringLiteral("ChoosePort");
    case C::EchoClick: return QStringLiteral("EchoClick");
    case C::InBuff: return QStringLiteral("InBuff");
    case C::ClosePort: return QStringLiteral("ClosePort");
    case C::ChannelSetup: return QStringLiteral("ChannelSetup");
    case C::SendChangedOnly: return QStringLiteral("SendChangedOnly");
    case C::Cut: return QStringLiteral("Cut");
    case C::Copy: return QStringLiteral("Copy");
    case C::Paste: return QStringLiteral("Paste");
    case C::Duplicate: return QStringLiteral("Duplicate");
    case C::MoveLines: return QStringLiteral("MoveLines");
    case C::EditStep: return QStringLiteral("EditStep");
    case C::FollowDrag: return QStringLiteral("FollowDrag");
    case C::Quit: return QStringLiteral("Quit");
    }
    return {};
}

} // namespace interlock
