#pragma once

#include "board/FlashErase.h"
#include "board/FlashProgram.h"
#include "board/FlashRead.h"
#include "board/FlashVerify.h"

#include <QString>

class Form1;

// The buttons of the board's flash and the board's own playback. The transfers are the
// board's operations; this starts them and shows what they report: the progress bar and
// "Abort" while one runs, and its message when it ends.
class FlashController {
public:
    explicit FlashController(Form1& form);

    static inline const QString kProgrammed = FlashProgram::kProgrammed;
    static inline const QString kRead = FlashRead::kRead;
    static inline const QString kNothingToRead = FlashRead::kNothingToRead;
    static inline const QString kHeaderAbort = FlashProgram::kHeaderAbort;
    static inline const QString kBlockAbortPrefix = FlashProgram::kBlockAbortPrefix;
    static QString programmingLostText() { return FlashProgram::lostText(); }
    static QString readLostText() { return FlashRead::lostText(); }

    void CommandFlash_Click();
    void Command1_Click();
    void CommandRead_Click();
    // Reads the flash as "Read Seq." does and tells whether it holds the list; the list stays.
    void CommandVerify_Click();
    void CommandErase_Click();
    void CWButtonRealEmu_ValueChanged(bool on);

private:
    // The progress bar and "Abort" follow the transfer while it runs.
    void watch(Operation& transfer);
    void transferEnded(const QString& message);
    // A read's image into the list, as one step of the history.
    void storeRead();

    Form1& m_form;
    FlashProgram m_program;
    FlashRead m_read;
    FlashVerify m_verify;
    FlashErase m_erase;
    Operation* m_running = nullptr;
};
