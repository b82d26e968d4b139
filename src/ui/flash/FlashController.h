#pragma once

#include "link/BoardWait.h"

#include <QString>

class Form1;

// The board's flash: programming, read-back, erase, and the board's own playback. A transfer
// holds the line from its first byte to its end; every way out of it gives the line back.
class FlashController {
public:
    explicit FlashController(Form1& form);

    static inline const QString kProgrammed = QStringLiteral("Data Flash Programmed!");
    static inline const QString kRead = QStringLiteral("Data Flash Read!");
    static inline const QString kNothingToRead = QStringLiteral("Nothing to Read!");
    static inline const QString kHeaderAbort = QStringLiteral("ACK !!!");
    static inline const QString kBlockAbortPrefix = QStringLiteral("ACK ");

    void CommandFlash_Click();
    void Command1_Click();
    void CommandRead_Click();
    // Reads the flash as "Read Seq." does and tells whether it holds the list; the list stays.
    void CommandVerify_Click();
    void CommandErase_Click();
    void CWButtonRealEmu_ValueChanged(bool on);

    static QString programmingLostText();
    static QString readLostText();

private:
    enum class Wait { Header, Block };

    // The wait for one acknowledgement; false when the programming has ended meanwhile.
    bool awaitAck(Wait which, int lastByteSent);
    // Sends one byte of the exchange; false when the port went away under it.
    bool sendTransferByte(quint8 byte);
    void endProgramming(boardwait::End how, Wait which, int lastByteSent);
    void programmingDone();
    // The read-back exchange of "Read Seq." and "Verify Flash": true when FlashImage and
    // FlashByteCount hold what the board sent; false when it ended otherwise, told as due.
    bool readFlash();
    // Back to the normal receive settings, emptying what waits.
    void closeRead();
    void readLost();
    void storeRead();

    Form1& m_form;
};
