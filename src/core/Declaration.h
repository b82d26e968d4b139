#pragma once

#include "StepRecord.h"

#include <QtGlobal>

#include <array>

// The state that more than one handler shares, for the whole run. The transfer flags are the
// only coordination between a waiting transfer and the handlers that run nested in its wait.
struct Declaration {
    std::array<quint8, 1> OutByte{};
    SequenceTable SequenceBuffer{};
    FlashImageTable FlashImage{};
    qint32 FlashByteCount = 0;
    bool ReadingFlash = false;
    bool AwaitingAck = false;
    bool ReplyDone = false;
    bool AbortRequested = false;
    qint16 SaveCounter = 0;
    qint16 DragFromIndex = 0;

    // The window is going away: every wait for the board ends.
    bool shuttingDown = false;

    // A flash exchange owns the line: any other byte would corrupt it.
    bool transferActive() const { return AwaitingAck || ReadingFlash; }
};
