#pragma once

#include "Transfer.h"

#include "core/StepRecord.h"

#include <QString>

// Writes the list into the board's flash: 2, the byte count high and low, then the image one
// byte a write, with the board's 255 awaited after the count and after every 256 image bytes.
class FlashProgram : public Transfer {
    Q_OBJECT
public:
    explicit FlashProgram(Board& board, QObject* parent = nullptr);

    static inline const QString kProgrammed = QStringLiteral("Data Flash Programmed!");
    static inline const QString kHeaderAbort = QStringLiteral("ACK !!!");
    static inline const QString kBlockAbortPrefix = QStringLiteral("ACK ");
    static QString lostText();
    // "3 values lie outside the channel limits and are written at the limits."
    static QString limitedNote(int values);

    // Programs rows 0..lines - 1 of the table, each position at its channel's limit when it
    // lies beyond it. With `pcControlOn` the board gets PC control off first. A list the flash
    // cannot store is refused before anything is sent.
    void start(const SequenceTable& table, int lines, bool pcControlOn);

    interlock::Activity activity() const override { return interlock::FlashProgram; }
    const FlashImageTable& image() const { return m_image; }
    // How many positions of the list the last start wrote at a limit.
    int valuesLimited() const { return m_valuesLimited; }

signals:
    // Before the first byte, when the limits change what is written: limitedNote().
    void note(const QString& text);

private:
    void received() override;
    void lineLost() override;
    void onAbort() override;
    // The image bytes up to the next acknowledgement, or to the end.
    void sendBlock();

    FlashImageTable m_image{};
    qint32 m_count = 0;
    qint32 m_sent = 0;
    int m_divisor = 1;
    int m_valuesLimited = 0;
    bool m_headerAcknowledged = false;
};
