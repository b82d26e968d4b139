#pragma once

#include "support/CoreOnPort.h"
#include "support/FormRig.h"

// The real window over the fake serial device with the board simulator's core behind it; the
// core lets go of the port before the window goes, whose teardown still writes.
struct BoardRig : FormRig, CoreOnPort {
    explicit BoardRig(boardsim::BoardConfig config = {}) : FormRig(true), CoreOnPort(config) {
        attach(*port);
    }
};
