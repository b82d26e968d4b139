#pragma once

#include "core/StepRecord.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>
#include <span>

class QJsonObject;
class QSettings;

// What the user tells the panel about each servo: a name to call it by, and the positions its
// mechanism allows. The defaults (no name, 0 to 255) limit nothing, so every byte, text and
// file stays as it is without a setup.
class ChannelSetup {
public:
    static constexpr int kNameMaxLength = 24;
    static constexpr int kPositionMin = 0;
    static constexpr int kPositionMax = 255;

    struct Channel {
        QString name;
        int minimum = kPositionMin;
        int maximum = kPositionMax;
        bool operator==(const Channel&) const = default;
    };

    // The file format: a JSON object
    //   {"format": "tessarel-channel-setup", "version": 1,
    //    "channels": [{"channel": 0, "name": "", "min": 0, "max": 255}, ...]}
    // "channel" (0 to 11) is required in each entry, each channel at most once; a channel or a
    // field left out keeps its default. Unknown fields are refused, so a misspelt "max" cannot
    // pass unnoticed.
    static inline const QString kFormat = QStringLiteral("tessarel-channel-setup");
    static constexpr int kVersion = 1;

    const Channel& channel(int channel) const { return m_channels.at(channel); }
    // Refuses (false, nothing changed) a name longer than kNameMaxLength or holding a control
    // character, and limits outside 0..255 or with the minimum above the maximum.
    bool setChannel(int channel, const Channel& settings);
    bool isDefault() const;

    // "Ch3 (elbow)", or "Ch3" for a channel without a name.
    QString label(int channel) const;

    // The position that reaches the servo: the nearest one inside the channel's limits.
    quint8 limit(int channel, qint32 position) const;
    // Whether the limits change what the wire would carry. Without them a position goes out
    // held to 0..255, so only a tighter limit counts: the defaults limit nothing.
    bool isLimited(int channel, qint32 position) const;

    // Positions of rows 0..lines - 1 the limits change.
    int valuesLimited(const SequenceTable& table, int lines) const;
    // Why a step is marked: each channel the limits change, as in
    // "Ch3 (elbow) 200 above its maximum 180; Ch5 20 below its minimum 40". Empty when none.
    QString limitedReason(std::span<const qint32, kChannelCount> positions) const;

    // A channel's limits as the window shows angles: "-64 °" to "63.5 °".
    QString minimumText(int channel, const QLocale& locale = QLocale()) const;
    QString maximumText(int channel, const QLocale& locale = QLocale()) const;

    QByteArray toJson() const;
    // The setup a file holds, or nullopt with *error naming the field at fault, e.g.
    // "channels[3].max: 300 is not a position (0 to 255)".
    static std::optional<ChannelSetup> fromJson(const QByteArray& json, QString* error);
    static std::optional<ChannelSetup> fromJson(const QJsonObject& root, QString* error);

    // Writes to a temporary file renamed over the target when complete; empty when written,
    // else why not.
    QString exportFile(const QString& path) const;
    // The setup in the file, or nullopt with *error saying what is wrong with it.
    static std::optional<ChannelSetup> importFile(const QString& path, QString* error);

    // Kept in the group "channelSetup" with the fields of the file. Loading gives the defaults
    // when nothing is kept, and when what is kept is not a valid setup (then *error says why).
    void save(QSettings& settings) const;
    static ChannelSetup load(QSettings& settings, QString* error = nullptr);

    bool operator==(const ChannelSetup&) const = default;

private:
    std::array<Channel, kChannelCount> m_channels{};
};

// The twelve positions at the front of a step row or of a line's values.
template <std::size_t N>
std::span<const qint32, kChannelCount> channelPositions(const std::array<qint32, N>& values) {
    static_assert(N >= kChannelCount);
    return std::span<const qint32, kChannelCount>(values.data(), kChannelCount);
}
