#pragma once

#include <QString>

// What may run now. Several things can run at once on the panel's one thread (playback, a
// flash transfer waiting for the board, the interpolation dialog). Whether a command runs
// while they do is decided here, in one table, and nowhere else; the window asks before it
// acts and shows the reason of a refusal.
namespace interlock {

// What is running. Several at once are possible (playback while a transfer waits, say).
enum Activity : unsigned {
    PcEmuPlaying = 1u << 0, // "PC Emu" on, the timer running
    PcEmuHalted = 1u << 1,  // "PC Emu" on, halted at a breakpoint or at the end
    PcSeq = 1u << 2,        // "PC Seq" on
    BoardPlayback = 1u << 3, // "Real Emu" on
    FlashProgram = 1u << 4,
    FlashRead = 1u << 5, // a read-back or a verify
    InterpDialog = 1u << 6,
};
using Activities = unsigned;

constexpr Activities kTransfer = FlashProgram | FlashRead;
constexpr Activities kPcPlayback = PcEmuPlaying | PcEmuHalted | PcSeq;

// Every command the user can give, grouped by what it does to the list and the line.
enum class Command {
    // Live control: each puts bytes on the line.
    MoveSlider, // a slider, a committed offset, ShowStep's moves
    PcControl,  // "PC Ctr Enbl", "ON", "OFF"
    CentreAll,  // the channels' "Reset"
    // Walking the list: no change to it, ShowStep moves the servos.
    SelectLine, // a click on a line or on a step in the timeline
    ShowStep,   // double-click, "--->", "<---"
    // Editing: each changes the list.
    Add,
    Remove,
    Replace,
    ClearAll,
    DragLine,
    SetBreak,
    ResetAllBreaks,
    Interpolate,   // opening the dialog
    InterpolateOk, // its OK
    Undo,
    Redo,
    // Playback.
    PcEmuOn,
    PcEmuOff,
    PcSeqOn,
    PcSeqOff,
    Repeat,
    Continue,
    FixedStepTime,
    PlayStep, // a playback tick's ChannelBurst
    // Flash and the board.
    Program,
    Read,
    Verify,
    Erase,
    RealEmuOn,
    RealEmuOff,
    Abort,
    BoardReset,
    // Files.
    Save,
    Load,
    ExportTimeline,
    // The window.
    ShowHideFrames, // the "Advanced" and "View" check marks
    ChoosePort,
    EchoClick,
    InBuff,
    ClosePort,
    ChannelSetup,        // opening the dialog; its OK only changes what later moves send
    SendChangedOnly,     // "Send Changed Channels Only"
    // Several lines at once, and the timeline's lanes.
    Cut,
    Copy, // the clipboard only
    Paste,
    Duplicate,
    MoveLines,  // Alt+Up, Alt+Down
    EditStep,   // a level or duration set on the timeline
    FollowDrag, // the servo following a level being dragged
    Quit,       // "Quit" and closing the window alike; keep it last
};

enum class Outcome {
    Runs,
    Refused,
    // Not sent now; the latest value goes out when the activity that holds the line ends.
    Deferred,
};

struct Decision {
    Outcome outcome = Outcome::Runs;
    QString reason; // for the status bar; empty when the command runs

    bool runs() const { return outcome == Outcome::Runs; }
};

Decision decide(Activities now, Command command);

// Short names for test rows and messages.
QString commandName(Command command);

} // namespace interlock
