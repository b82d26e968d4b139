#include "core/Interlock.h"

#include <QCoreApplication>

namespace interlock {

namespace {

using C = Command;

QString tr(const char* text) { return QCoreApplication::translate("Interlock", text); }

bool changesList(Command c) {
    switch (c) {
    case C::Add:
    case C::Remove:
    case C::Replace:
    case C::ClearAll:
    case C::DragLine:
    case C::SetBreak:
    case C::ResetAllBreaks:
    case C::InterpolateOk:
    case C::Undo:
    case C::Redo:
    case C::Load:
    case C::Read:
        return true;
    default:
        return false;
    }
}

// Commands that run whatever else is running: they neither touch the list nor the line, nor
// open a dialog that would stall a transfer.
bool alwaysRuns(Command c) {
    switch (c) {
    case C::Abort:
    case C::ShowHideFrames:
    case C::InBuff:
    case C::SelectLine:
    case C::Quit:
        return true;
    default:
        return false;
    }
}

} // namespace

// Read top to bottom; the first rule that matches decides.
Decision decide(Activities now, Command c) {
    if (alwaysRuns(c)) {
        return {};
    }
    if (now & kTransfer) {
        // A byte of ours would land inside the image; a dialog would stall the exchange.
        if (c == C::MoveSlider || c == C::CentreAll) {
            return {Outcome::Deferred, tr("The board is busy with a flash transfer; the channels "
                                          "are sent when it ends.")};
        }
        return {Outcome::Refused,
                tr("The board is busy with a flash transfer; wait for it to end or Abort it.")};
    }
    if (now & InterpDialog) {
        if (changesList(c) && c != C::InterpolateOk) {
            return {Outcome::Refused, tr("Close the interpolation dialog first.")};
        }
        if (c == C::Interpolate) {
            return {Outcome::Refused, tr("The interpolation dialog is already open.")};
        }
    }
    if (now & kPcPlayback) {
        if (c == C::Interpolate || c == C::InterpolateOk) {
            return {Outcome::Refused, tr("Stop the playback first.")};
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
    case C::Quit: return QStringLiteral("Quit");
    }
    return {};
}

} // namespace interlock
