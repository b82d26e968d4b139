#include "core/setup/ChannelSetup.h"

#include "core/NumberText.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QSaveFile>
#include <QSettings>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

const QString kGroup = QStringLiteral("channelSetup");
const QString kFormatKey = QStringLiteral("format");
const QString kVersionKey = QStringLiteral("version");
const QString kChannelsKey = QStringLiteral("channels");
const QString kChannelKey = QStringLiteral("channel");
const QString kNameKey = QStringLiteral("name");
const QString kMinKey = QStringLiteral("min");
const QString kMaxKey = QStringLiteral("max");
constexpr qint64 kMaxFileBytes = 1024 * 1024;

bool hasControlCharacter(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

bool validName(const QString& name) {
    return name.size() <= ChannelSetup::kNameMaxLength && !hasControlCharacter(name);
}

bool validPosition(int position) {
    return position >= ChannelSetup::kPositionMin && position <= ChannelSetup::kPositionMax;
}

// A value as a message quotes it.
QString valueText(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Double:
        return QString::number(value.toDouble(), 'g', 15);
    case QJsonValue::String:
        return QLatin1Char('"') + value.toString() + QLatin1Char('"');
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Array:
        return QStringLiteral("a list");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("null");
}

std::optional<int> wholeNumber(const QJsonValue& value, int lowest, int highest) {
    if (!value.isDouble()) {
        return std::nullopt;
    }
    const double d = value.toDouble();
    if (d != std::floor(d) || d < lowest || d > highest) {
        return std::nullopt;
    }
    return int(d);
}

// Reads one entry of "channels"; the first fault found ends the reading with its text.
class EntryReader {
public:
    EntryReader(const QJsonObject& entry, const QString& path) : m_entry(entry), m_path(path) {}

    QString unknownField() const {
        for (auto it = m_entry.begin(); it != m_entry.end(); ++it) {
            if (!QStringList{kChannelKey, kNameKey, kMinKey, kMaxKey}.contains(it.key())) {
                return field(it.key()) +
                       QStringLiteral(": not a field of a channel (channel, name, min, max)");
            }
        }
        return {};
    }

    QString read(const QString& key, int& position) const {
        if (!m_entry.contains(key)) {
            return {};
        }
        const QJsonValue value = m_entry.value(key);
        const auto read =
            wholeNumber(value, ChannelSetup::kPositionMin, ChannelSetup::kPositionMax);
        if (!read) {
            return field(key) +
                   QStringLiteral(": %1 is not a position (0 to 255)").arg(valueText(value));
        }
        position = *read;
        return {};
    }

    QString readName(QString& name) const {
        if (!m_entry.contains(kNameKey)) {
            return {};
        }
        const QJsonValue value = m_entry.value(kNameKey);
        if (!value.isString()) {
            return field(kNameKey) + QStringLiteral(": %1 is not a text").arg(valueText(value));
        }
        const QString text = value.toString();
        if (text.size() > ChannelSetup::kNameMaxLength) {
            return field(kNameKey) + QStringLiteral(": %1 characters, at most %2")
                                         .arg(text.size())
                                         .arg(ChannelSetup::kNameMaxLength);
        }
        if (hasControlCharacter(text)) {
            return field(kNameKey) + QStringLiteral(": holds a control character");
        }
        name = text;
        return {};
    }

    QString field(const QString& key) const { return m_path + QLatin1Char('.') + key; }

private:
    const QJsonObject& m_entry;
    QString m_path;
};

} // namespace

bool ChannelSetup::setChannel(int channel, const Channel& settings) {
    if (channel < 0 || channel >= kChannelCount || !validName(settings.name) ||
        !validPosition(settings.minimum) || !validPosition(settings.maximum) ||
        settings.minimum > settings.maximum) {
        return false;
    }
    m_channels[channel] = settings;
    return true;
}

bool ChannelSetup::isDefault() const {
    return std::all_of(m_channels.begin(), m_channels.end(),
                       [](const Channel& c) { return c == Channel{}; });
}

QString ChannelSetup::label(int channel) const {
    const QString ch = QStringLiteral("Ch%1").arg(channel);
    const QString& name = m_channels.at(channel).name;
    return name.isEmpty() ? ch : ch + QStringLiteral(" (") + name + QLatin1Char(')');
}

quint8 ChannelSetup::limit(int channel, qint32 position) const {
    const Channel& c = m_channels.at(channel);
    return static_cast<quint8>(std::clamp<qint32>(position, c.minimum, c.maximum));
}

bool ChannelSetup::isLimited(int channel, qint32 position) const {
    return limit(channel, position) != std::clamp<qint32>(position, kPositionMin, kPositionMax);
}

int ChannelSetup::valuesLimited(const SequenceTable& table, int lines) const {
    int count = 0;
    for (int row = 0; row < std::clamp(lines, 0, kTableRows); ++row) {
        for (int c = 0; c < kChannelCount; ++c) {
            count += isLimited(c, table[row][c]) ? 1 : 0;
        }
    }
    return count;
}

QString ChannelSetup::limitedReason(std::span<const qint32, kChannelCount> positions) const {
    QStringList reasons;
    for (int c = 0; c < kChannelCount; ++c) {
        const qint32 p = positions[c];
        if (!isLimited(c, p)) {
            continue;
        }
        const Channel& ch = m_channels[c];
        reasons << (p < ch.minimum ? QStringLiteral("%1 %2 below its minimum %3")
                                         .arg(label(c))
                                         .arg(p)
                                         .arg(ch.minimum)
                                   : QStringLiteral("%1 %2 above its maximum %3")
                                         .arg(label(c))
                                         .arg(p)
                                         .arg(ch.maximum));
    }
    return reasons.join(QStringLiteral("; "));
}

QString ChannelSetup::minimumText(int channel, const QLocale& locale) const {
    return numbertext::degreeReadout(m_channels.at(channel).minimum, locale);
}

QString ChannelSetup::maximumText(int channel, const QLocale& locale) const {
    return numbertext::degreeReadout(m_channels.at(channel).maximum, locale);
}

QByteArray ChannelSetup::toJson() const {
    QJsonArray channels;
    for (int c = 0; c < kChannelCount; ++c) {
        channels.append(QJsonObject{{kChannelKey, c},
                                    {kNameKey, m_channels[c].name},
                                    {kMinKey, m_channels[c].minimum},
                                    {kMaxKey, m_channels[c].maximum}});
    }
    const QJsonObject root{
        {kFormatKey, kFormat}, {kVersionKey, kVersion}, {kChannelsKey, channels}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<ChannelSetup> ChannelSetup::fromJson(const QByteArray& json, QString* error) {
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("the file is not JSON: %1 at byte %2")
                     .arg(parseError.errorString())
                     .arg(parseError.offset);
        return std::nullopt;
    }
    if (!document.isObject()) {
        *error = QStringLiteral("the file holds no JSON object");
        return std::nullopt;
    }
    return fromJson(document.object(), error);
}

std::optional<ChannelSetup> ChannelSetup::fromJson(const QJsonObject& root, QString* error) {
    const auto refuse = [error](const QString& why) {
        *error = why;
        return std::nullopt;
    };
    for (auto it = root.begin(); it != root.end(); ++it) {
        if (!QStringList{kFormatKey, kVersionKey, kChannelsKey}.contains(it.key())) {
            return refuse(
                it.key() +
                QStringLiteral(": not a field of a channel setup (format, version, channels)"));
        }
    }
    const QJsonValue format = root.value(kFormatKey);
    if (format.isUndefined()) {
        return refuse(QStringLiteral("format: missing"));
    }
    if (format.toString() != kFormat) {
        return refuse(QStringLiteral("format: %1 is not \"%2\"").arg(valueText(format), kFormat));
    }
    const QJsonValue version = root.value(kVersionKey);
    if (version.isUndefined()) {
        return refuse(QStringLiteral("version: missing"));
    }
    if (wholeNumber(version, kVersion, kVersion) != kVersion) {
        return refuse(QStringLiteral("version: %1 is not a version this panel reads (%2)")
                          .arg(valueText(version))
                          .arg(kVersion));
    }
    const QJsonValue channels = root.value(kChannelsKey);
    if (channels.isUndefined()) {
        return refuse(QStringLiteral("channels: missing"));
    }
    if (!channels.isArray()) {
        return refuse(QStringLiteral("channels: %1 is not a list").arg(valueText(channels)));
    }

    ChannelSetup setup;
    std::array<int, kChannelCount> setBy;
    setBy.fill(-1);
    const QJsonArray entries = channels.toArray();
    for (int i = 0; i < entries.size(); ++i) {
        const QString path = QStringLiteral("channels[%1]").arg(i);
        if (!entries[i].isObject()) {
            return refuse(path +
                          QStringLiteral(": %1 is not an object").arg(valueText(entries[i])));
        }
        const QJsonObject entry = entries[i].toObject();
        const EntryReader reader(entry, path);
        if (QString why = reader.unknownField(); !why.isEmpty()) {
            return refuse(why);
        }
        const QJsonValue number = entry.value(kChannelKey);
        if (number.isUndefined()) {
            return refuse(reader.field(kChannelKey) + QStringLiteral(": missing"));
        }
        const auto c = wholeNumber(number, 0, kChannelCount - 1);
        if (!c) {
            return refuse(reader.field(kChannelKey) +
                          QStringLiteral(": %1 is not a channel (0 to 11)").arg(valueText(number)));
        }
        if (setBy[*c] >= 0) {
            return refuse(
                reader.field(kChannelKey) +
                QStringLiteral(": %1 is already set by channels[%2]").arg(*c).arg(setBy[*c]));
        }
        setBy[*c] = i;
        Channel channel;
        for (const QString& why :
             {reader.readName(channel.name), reader.read(kMinKey, channel.minimum),
              reader.read(kMaxKey, channel.maximum)}) {
            if (!why.isEmpty()) {
                return refuse(why);
            }
        }
        if (channel.minimum > channel.maximum) {
            return refuse(path + QStringLiteral(": min %1 is above max %2")
                                     .arg(channel.minimum)
                                     .arg(channel.maximum));
        }
        setup.m_channels[*c] = channel;
    }
    return setup;
}

QString ChannelSetup::exportFile(const QString& path) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return QStringLiteral("\"%1\" could not be written: %2")
            .arg(QDir::toNativeSeparators(path), file.errorString());
    }
    const QByteArray bytes = toJson();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return QStringLiteral("\"%1\" could not be written: %2")
            .arg(QDir::toNativeSeparators(path), why);
    }
    return {};
}

std::optional<ChannelSetup> ChannelSetup::importFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("\"%1\" could not be opened: %2")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (bytes.size() > kMaxFileBytes) {
        *error = QStringLiteral("the file is too large for a channel setup");
        return std::nullopt;
    }
    return fromJson(bytes, error);
}

void ChannelSetup::save(QSettings& settings) const {
    settings.remove(kGroup);
    settings.beginGroup(kGroup);
    settings.setValue(kVersionKey, kVersion);
    settings.beginWriteArray(kChannelsKey, kChannelCount);
    for (int c = 0; c < kChannelCount; ++c) {
        settings.setArrayIndex(c);
        settings.setValue(kChannelKey, c);
        settings.setValue(kNameKey, m_channels[c].name);
        settings.setValue(kMinKey, m_channels[c].minimum);
        settings.setValue(kMaxKey, m_channels[c].maximum);
    }
    settings.endArray();
    settings.endGroup();
}

ChannelSetup ChannelSetup::load(QSettings& settings, QString* error) {
    if (!settings.childGroups().contains(kGroup)) {
        return {};
    }
    // A settings file holds text; numbers are read back as numbers so the file's checks apply.
    const auto number = [&settings](const QString& key) {
        const QVariant value = settings.value(key);
        bool ok = false;
        const int n = value.toInt(&ok);
        return ok ? QJsonValue(n) : QJsonValue::fromVariant(value);
    };
    settings.beginGroup(kGroup);
    QJsonObject root{{kFormatKey, kFormat}, {kVersionKey, number(kVersionKey)}};
    QJsonArray channels;
    const int size = settings.beginReadArray(kChannelsKey);
    for (int i = 0; i < size; ++i) {
        settings.setArrayIndex(i);
        QJsonObject entry;
        for (const QString& key : settings.childKeys()) {
            entry.insert(key, key == kNameKey ? QJsonValue(settings.value(key).toString())
                                              : number(key));
        }
        channels.append(entry);
    }
    settings.endArray();
    settings.endGroup();
    root.insert(kChannelsKey, channels);
    QString why;
    std::optional<ChannelSetup> setup = fromJson(root, &why);
    if (!setup) {
        if (error) {
            *error = QStringLiteral("The channel setup in the settings was not used: ") + why;
        }
        return {};
    }
    return *setup;
}
