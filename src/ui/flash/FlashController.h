#pragma once

#include "board/FlashErase.h"
#include "board/FlashProgram.h"
#include "board/FlashRead.h"
#include "board/FlashVerify.h"
#include "ui/frames/FlashFrame.h"
#include "ui/frames/PlaybackSwitches.h"

#include <QObject>
#include <QString>

class Messages;
class Panel;
class QAction;
class SwitchControl;

// The buttons of the board's flash and the board's own playback. The transfers are the
// board's operations; this starts them and shows what they report: the progress bar and
// "Abort" while one runs, and its message when it ends.
class FlashController : public QObject {
    Q_OBJECT
public:
    // Programming turns PC control off; the board's playback locks the panel's own.
    FlashController(Panel& panel, Messages& messages, const FlashFrame& flash,
                    QAction& verifyFlashAction, SwitchControl& pcControlSwitch,
                    PlaybackSwitches switches);

    static inline const QString kProgrammed = FlashProgram::kProgrammed;
    static inline const QString kRead = FlashRead::kRead;
    static inline const QString kNothingToRead = FlashRead::kNothingToRead;
    static inline const QString kHeaderAbort = FlashProgram::kHeaderAbort;
    static inline const QString kBlockAbortPrefix = FlashProgram::kBlockAbortPrefix;
    static QString programmingLostText() { return FlashProgram::lostText(); }
    static QString readLostText() { return FlashRead::lostText(); }
    static inline const QString kEraseQuestion =
        QStringLiteral("Erase the board's flash? The sequence stored on the board is lost.");
    static inline const QString kUnanswered = QStringLiteral(
        "The board has not answered yet. Check that it is powered and on the chosen port; "
        "\"Abort\" ends the wait.");

    void programFlash();
    void abortTransfer();
    void readFlash();
    // Reads the flash as "Read Seq." does and tells whether it holds the list; the list stays.
    void verifyFlash();
    void eraseFlash();
    // "Real Emu": the board plays its flash.
    void switchRealEmu(bool on);

private:
    // The progress bar and "Abort" follow the transfer while it runs.
    void watch(Operation& transfer);
    void transferEnded(const QString& message);
    // A read's image into the list, as one step of the history.
    void storeRead();

    Panel& m_panel;
    Messages& m_messages;
    FlashFrame m_flash;
    SwitchControl& m_pcControlSwitch;
    PlaybackSwitches m_switches;
    FlashProgram m_program;
    FlashRead m_read;
    FlashVerify m_verify;
    FlashErase m_erase;
    Operation* m_running = nullptr;
    bool m_unansweredShown = false;
};
