#include "core/setup/ChannelSetup.h"

#include <QFile>
#include <QJsonDocument>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Ch3 "elbow" 100 to 180, Ch5 unnamed from 40, Ch7 "wrist" named only.
ChannelSetup robotArm() {
    ChannelSetup setup;
    setup.setChannel(3, {QStringLiteral("elbow"), 100, 180});
    setup.setChannel(5, {QString(), 40, 255});
    setup.setChannel(7, {QStringLiteral("wrist"), 0, 255});
    return setup;
}

QByteArray channels(const QByteArray& entries) {
    return R"({"format":"tessarel-channel-setup","version":1,"channels":[)" + entries + "]}";
}

} // namespace

class TestChannelSetup : public QObject {
    Q_OBJECT

private slots:
    void limit_data() {
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("sent");
        QTest::addColumn<bool>("limited");
        QTest::newRow("defaults, below the byte") << 0 << 255 << -5 << 0 << false;
        QTest::newRow("defaults, above the byte") << 0 << 255 << 300 << 255 << false;
        QTest::newRow("below the minimum") << 100 << 180 << 99 << 100 << true;
        QTest::newRow("at the minimum") << 100 << 180 << 100 << 100 << false;
        QTest::newRow("at the maximum") << 100 << 180 << 180 << 180 << false;
        QTest::newRow("above the maximum") << 100 << 180 << 181 << 180 << true;
        QTest::newRow("above the byte") << 100 << 180 << 300 << 180 << true;
        QTest::newRow("below the byte") << 100 << 180 << -5 << 100 << true;
        QTest::newRow("byte above a maximum of 255") << 100 << 255 << 300 << 255 << false;
        QTest::newRow("one position") << 128 << 128 << 0 << 128 << true;
    }
    void limit() {
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, position);
        QFETCH(int, sent);
        QFETCH(bool, limited);
        ChannelSetup setup;
        QVERIFY(setup.setChannel(11, {QString(), minimum, maximum}));
        QCOMPARE(setup.isDefault(), minimum == 0 && maximum == 255);
        QCOMPARE(int(setup.limit(11, position)), sent);
        QCOMPARE(setup.isLimited(11, position), limited);
        QCOMPARE(int(setup.limit(10, position)), qBound(0, position, 255));
    }

    void refusedSettings_data() {
        QTest::addColumn<int>("channel");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::newRow("name of 25 characters") << 0 << QString(25, QLatin1Char('x')) << 0 << 255;
        QTest::newRow("TAB in the name") << 0 << "left\tarm" << 0 << 255;
        QTest::newRow("minimum above maximum") << 0 << "" << 181 << 180;
        QTest::newRow("minimum below 0") << 0 << "" << -1 << 255;
        QTest::newRow("maximum above 255") << 0 << "" << 0 << 256;
        QTest::newRow("channel 12") << 12 << "" << 0 << 255;
    }
    void refusedSettings() {
        QFETCH(int, channel);
        QFETCH(QString, name);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        ChannelSetup setup = robotArm();
        QVERIFY(!setup.setChannel(channel, {name, minimum, maximum}));
        QCOMPARE(setup, robotArm());
        QVERIFY(setup.setChannel(0, {QString(24, QLatin1Char('x')), 7, 7}));
    }

    void marking() {
        const ChannelSetup setup = robotArm();
        QCOMPARE(setup.label(3), QStringLiteral("Ch3 (elbow)"));
        QCOMPARE(setup.label(5), QStringLiteral("Ch5"));
        auto table = std::make_unique<SequenceTable>();
        for (auto& row : *table) {
            row.fill(128);
        }
        (*table)[0][3] = 200;
        (*table)[1][3] = 99;
        (*table)[1][5] = 20;
        (*table)[1][7] = 300; // beyond the byte but not limited: Ch7 has no limits
        (*table)[2][3] = 180;
        (*table)[3][3] = 0; // past the count
        QCOMPARE(setup.valuesLimited(*table, 3), 3);
        QCOMPARE(setup.limitedReason(channelPositions((*table)[0])),
                 QStringLiteral("Ch3 (elbow) 200 above its maximum 180"));
        QCOMPARE(
            setup.limitedReason(channelPositions((*table)[1])),
            QStringLiteral("Ch3 (elbow) 99 below its minimum 100; Ch5 20 below its minimum 40"));
        QCOMPARE(setup.limitedReason(channelPositions((*table)[2])), QString());
        QCOMPARE(ChannelSetup().valuesLimited(*table, 4), 0);
    }

    void exportedFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("arm.json"));
        QCOMPARE(robotArm().exportFile(path), QString());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonDocument written = QJsonDocument::fromJson(file.readAll());
        QByteArray entries;
        for (int c = 0; c < kChannelCount; ++c) {
            const QByteArray fields = c == 3   ? R"("name":"elbow","min":100,"max":180)"
                                      : c == 5 ? R"("name":"","min":40,"max":255)"
                                      : c == 7 ? R"("name":"wrist","min":0,"max":255)"
                                               : R"("name":"","min":0,"max":255)";
            entries += (c ? "," : "") + QByteArray(R"({"channel":)") + QByteArray::number(c) + "," +
                       fields + "}";
        }
        QCOMPARE(written, QJsonDocument::fromJson(channels(entries)));
        QString error;
        QCOMPARE(ChannelSetup::importFile(path, &error), robotArm());
        QVERIFY(!ChannelSetup::importFile(dir.filePath(QStringLiteral("gone.json")), &error));
        QCOMPARE(error, "\"" + dir.filePath(QStringLiteral("gone.json")) +
                            "\" could not be opened: No such file or directory");
    }

    // Hand-written files may leave channels and fields out; those keep their defaults.
    void shortFileKeepsDefaults() {
        QString error;
        const auto read = ChannelSetup::fromJson(
            channels(R"({"channel":7,"name":"wrist"},{"channel":5,"min":40},)"
                     R"({"channel":3,"max":180,"min":100,"name":"elbow"})"),
            &error);
        QCOMPARE(error, QString());
        QCOMPARE(read, robotArm());
    }

    void refusedFile_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");
        const auto row = [](const char* name, const QByteArray& json, const char* error) {
            QTest::newRow(name) << json << QString::fromUtf8(error);
        };
        row("not JSON", "{\"format\":", "the file is not JSON: unterminated object at byte 10");
        row("a list", "[]", "the file holds no JSON object");
        row("unknown field", R"({"format":"tessarel-channel-setup","colour":1})",
            "colour: not a field of a channel setup (format, version, channels)");
        row("no format", R"({"version":1,"channels":[]})", "format: missing");
        row("other format", R"({"format":"x","version":1,"channels":[]})",
            R"(format: "x" is not "tessarel-channel-setup")");
        row("no version", R"({"format":"tessarel-channel-setup","channels":[]})",
            "version: missing");
        row("version 2", R"({"format":"tessarel-channel-setup","version":2})",
            "version: 2 is not a version this panel reads (1)");
        row("no channels", R"({"format":"tessarel-channel-setup","version":1})",
            "channels: missing");
        row("channels an object",
            R"({"format":"tessarel-channel-setup","version":1,"channels":{}})",
            "channels: an object is not a list");
        row("entry a number", channels("3"), "channels[0]: 3 is not an object");
        row("no channel number", channels(R"({"channel":0},{"min":3})"),
            "channels[1].channel: missing");
        row("channel 12", channels(R"({"channel":12})"),
            "channels[0].channel: 12 is not a channel (0 to 11)");
        row("channel twice", channels(R"({"channel":2},{"channel":4},{"channel":2})"),
            "channels[2].channel: 2 is already set by channels[0]");
        row("misspelt field", channels(R"({"channel":3,"maximum":180})"),
            "channels[0].maximum: not a field of a channel (channel, name, min, max)");
        row("max 300",
            channels(R"({"channel":0},{"channel":1},{"channel":2},{"channel":3,"max":300})"),
            "channels[3].max: 300 is not a position (0 to 255)");
        row("min negative", channels(R"({"channel":3,"min":-1})"),
            "channels[0].min: -1 is not a position (0 to 255)");
        row("min a fraction", channels(R"({"channel":3,"min":100.5})"),
            "channels[0].min: 100.5 is not a position (0 to 255)");
        row("max as text", channels(R"({"channel":3,"max":"180"})"),
            R"(channels[0].max: "180" is not a position (0 to 255))");
        row("min above max", channels(R"({"channel":3,"min":181,"max":180})"),
            "channels[0]: min 181 is above max 180");
        row("name a number", channels(R"({"channel":3,"name":7})"),
            "channels[0].name: 7 is not a text");
        row("name of 25", channels(R"({"channel":3,"name":"abcdefghijklmnopqrstuvwxy"})"),
            "channels[0].name: 25 characters, at most 24");
        row("name with a newline", channels(R"({"channel":3,"name":"a\nb"})"),
            "channels[0].name: holds a control character");
    }
    void refusedFile() {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        QString why;
        QVERIFY(!ChannelSetup::fromJson(json, &why));
        QCOMPARE(why, error);
    }

    void settings() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tessarel.ini"));
        QString error;
        {
            QSettings settings(path, QSettings::IniFormat);
            QCOMPARE(ChannelSetup::load(settings, &error), ChannelSetup());
            QCOMPARE(error, QString());
            robotArm().save(settings);
        }
        QSettings settings(path, QSettings::IniFormat);
        QCOMPARE(ChannelSetup::load(settings, &error), robotArm());
        QCOMPARE(error, QString());
        // A number for a name is still a name; a limit edited out of range is refused whole.
        settings.setValue(QStringLiteral("channelSetup/channels/8/name"), QStringLiteral("12"));
        QCOMPARE(ChannelSetup::load(settings, &error).channel(7).name, QStringLiteral("12"));
        settings.setValue(QStringLiteral("channelSetup/channels/4/max"), QStringLiteral("300"));
        QCOMPARE(ChannelSetup::load(settings, &error), ChannelSetup());
        QCOMPARE(error, QStringLiteral("The channel setup in the settings was not used: "
                                       "channels[3].max: 300 is not a position (0 to 255)"));
    }
};

QTEST_GUILESS_MAIN(TestChannelSetup)
#include "tst_channelsetup.moc"
