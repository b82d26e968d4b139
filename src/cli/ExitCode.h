#pragma once

// What tessarel-cli's exit status tells a script. The numbers are part of its interface: the
// help text and the manual page list them, and scripts test them.
namespace cli {

enum ExitCode : int {
    kDone = 0,
    kDiffers = 1,       // verify: the board's flash does not hold the file
    kUsage = 2,         // the command line cannot be understood
    kFile = 3,          // a file cannot be read or written, is no channel setup, or holds steps the
                        // flash cannot store
    kPort = 4,          // the port does not open, or the connection went away
    kBoard = 5,         // the board does not answer, or answers wrongly
    kInterrupted = 130, // Ctrl+C or SIGTERM
};

} // namespace cli
