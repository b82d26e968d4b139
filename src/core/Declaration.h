#pragma once

#include "StepRecord.h"

#include <QtGlobal>

// The state that more than one handler of the window shares, for the whole run.
struct Declaration {
    SequenceTable SequenceBuffer{};
    qint16 SaveCounter = 0;
    qint16 DragFromIndex = 0;
};
