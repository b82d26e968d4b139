#pragma once

class SwitchControl;

// The three playback modes, of which one runs at a time: "PC Emu" and "PC Seq" play from the
// panel, "Real Emu" lets the board play its flash.
struct PlaybackSwitches {
    SwitchControl* pcEmu = nullptr;   // CWButtonEmuPC
    SwitchControl* pcSeq = nullptr;   // CWButtonManual
    SwitchControl* realEmu = nullptr; // CWButtonRealEmu
};
