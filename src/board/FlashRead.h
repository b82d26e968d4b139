#pragma once

#include "Transfer.h"

#include "core/StepRecord.h"
#include "core/flash/FlashImage.h"

#include <QString>

// Reads the board's flash back: 6 goes out, the board answers with a 2-byte count, high byte
// first, and that many image bytes, of which the first 14 336 are kept. After an overflow an
// abort keeps what had arrived; any other abort keeps nothing.
class FlashRead : public Transfer {
    Q_OBJECT
public:
    explicit FlashRead(Board& board, QObject* parent = nullptr);

    static inline const QString kRead = QStringLiteral("Data Flash Read!");
    static inline const QString kNothingToRead = QStringLiteral("Nothing to Read!");
    static QString lostText();

    void start();

    interlock::Activity activity() const override { return interlock::FlashRead; }
    // True when the image holds what the board sent: a read that ended Done, or one aborted
    // after an overflow with the bytes that had arrived.
    bool hasImage() const { return m_hasImage; }
    const FlashImageTable& image() const { return m_image; }
    // The image bytes stored, at most 14 336.
    qint32 byteCount() const { return m_count; }
    flashimage::ReadBack readBack() const { return {m_announced, m_count, m_complete}; }

private:
    void received() override;
    void lineLost() override;
    void onAbort() override;
    // Shows what has arrived, and takes it once it is exactly the count.
    void takeData();
    void store(const QByteArray& data);
    // Back to the normal receive settings, emptying what waits.
    void restoreReceiving();
    void endRead(State state, const QString& message);

    FlashImageTable m_image{};
    qint32 m_count = 0;
    qint32 m_announced = 0;
    bool m_headerRead = false;
    bool m_overflow = false;
    bool m_hasImage = false;
    bool m_complete = false;
};
