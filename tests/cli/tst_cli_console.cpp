#include "Console.h"

#include <QJsonObject>
#include <QTest>

#include <cstdio>

namespace {
QByteArray contents(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    QByteArray bytes;
    char buffer[512];
    while (const size_t n = std::fread(buffer, 1, sizeof buffer, file)) {
        bytes.append(buffer, qsizetype(n));
    }
    return bytes;
}
} // namespace

// What reaches standard output and standard error: only results for a script, the live lines
// for a person at a terminal, one JSON object for --json.
class TestCliConsole : public QObject {
    Q_OBJECT

private slots:
    void streams_data() {
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<bool>("json");
        QTest::addColumn<bool>("quiet");
        QTest::addColumn<bool>("data"); // standard output carries read's file
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        const QByteArray bar =
            "\r\033[KReading  [############------------]  50/100 bytes   50 %  0.1 s left\r\033[K";
        QTest::newRow("script") << false << false << false << false << QByteArray("R\n")
                                << QByteArray("tessarel-cli: W\ntessarel-cli: E\n");
        QTest::newRow("terminal") << true << false << false << false << QByteArray("R\n")
                                  << bar + "tessarel-cli: W\ntessarel-cli: N\ntessarel-cli: E\n";
        QTest::newRow("terminal, quiet")
            << true << false << true << false << QByteArray() << QByteArray("tessarel-cli: E\n");
        QTest::newRow("json") << true << true << false << false << QByteArray("{\"exit\":0}\n")
                              << bar;
        QTest::newRow("file on standard output, script")
            << false << false << false << true << QByteArray()
            << QByteArray("tessarel-cli: W\ntessarel-cli: E\n");
        QTest::newRow("file on standard output, terminal")
            << true << false << false << true << QByteArray()
            << bar + "R\ntessarel-cli: W\ntessarel-cli: N\ntessarel-cli: E\n";
    }
    void streams() {
        QFETCH(bool, terminal);
        QFETCH(bool, json);
        QFETCH(bool, quiet);
        QFETCH(bool, data);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        std::FILE* outFile = std::tmpfile();
        std::FILE* errFile = std::tmpfile();
        {
            Console console({outFile, errFile, terminal, json, quiet});
            console.setOutputCarriesData(data);
            console.progress(QStringLiteral("Reading"), 50, 100, 1145833);
            console.result(QStringLiteral("R"));
            console.warning(QStringLiteral("W"));
            console.note(QStringLiteral("N"));
            console.error(QStringLiteral("E"));
            console.jsonObject(QJsonObject{{QStringLiteral("exit"), 0}});
        }
        QCOMPARE(contents(outFile), out);
        QCOMPARE(contents(errFile), err);
        std::fclose(outFile);
        std::fclose(errFile);
    }
};

QTEST_GUILESS_MAIN(TestCliConsole)
#include "tst_cli_console.moc"
