#include "LinkRig.h"

#include "link/ReceiveHandler.h"

#include <QSignalSpy>
#include <QTest>

#include <numeric>

namespace {
// The handler wired to a fake device the way the window wires it, and the view it shows on.
struct Receiver : ReceiveView {
    QString echoText() const override { return echo; }
    void setEchoText(const QString& text) override { echo = text; }
    void setProgressMaximum(double maximum) override { progressMaximum = maximum; }
    void setProgressValue(double value) override { onProgress(value); }

    QString echo = QStringLiteral("7");
    double progressMaximum = -99;
    std::function<void(double)> onProgress = [](double) {};
    LinkRig rig;
    std::unique_ptr<Declaration> d = std::make_unique<Declaration>();
    ReceiveHandler handler{*d, rig.comm, *this};
    QSignalSpy handled{&rig.comm, &SerialControl::OnComm};

    Receiver() {
        rig.openNormal();
        QObject::connect(&rig.comm, &SerialControl::OnComm, [this] { handler.MSComm1_OnComm(); });
    }
};
} // namespace

class TestReceiveHandler : public QObject {
    Q_OBJECT
private slots:
    void flashRead_data() {
        QTest::addColumn<int>("announced");
        QTest::addColumn<int>("sent");
        QTest::addColumn<QString>("then"); // once the bar shows all that was sent
        QTest::addColumn<bool>("done");
        QTest::addColumn<int>("stored");
        QTest::newRow("empty") << 0 << 0 << "" << true << 0;
        QTest::newRow("full image in pieces") << 14336 << 14336 << "" << true << 14336;
        QTest::newRow("overflow, abort past the cap") << 65535 << 14400 << "abort" << true << 14336;
        QTest::newRow("abort without overflow") << 28 << 10 << "abort" << false << 0;
    }

    void flashRead() {
        QFETCH(int, announced);
        QFETCH(int, sent);
        QFETCH(QString, then);
        QFETCH(bool, done);
        QFETCH(int, stored);
        Receiver r;
        r.d->ReadingFlash = true; // the header phase a flash read sets before its command
        r.rig.comm.setInputLen(2);
        r.rig.comm.setRThreshold(2);
        r.d->FlashByteCount = 99;
        QByteArray data(sent, Qt::Uninitialized);
        std::iota(data.begin(), data.end(), char(1));
        // The data trickles in while the handler's own wait pumps.
        int fed = 0;
        r.onProgress = [&](double value) {
            if (fed < sent) {
                r.rig.fake->inject(data.mid(fed, 1000));
                fed += 1000;
            } else if (value == sent && then == "abort") {
                r.d->AbortRequested = true;
            }
        };
        r.rig.arrive(bytes({announced >> 8})); // half a header is no header yet
        QCOMPARE(r.handled.count(), 0);
        r.rig.fake->inject(bytes({announced & 0xFF}));
        QTRY_COMPARE(r.handled.count(), 1);
        QCOMPARE(r.d->ReplyDone, done);
        QCOMPARE(r.d->AbortRequested, then == "abort");
        QCOMPARE(r.d->FlashByteCount, done ? stored : announced);
        QCOMPARE(r.progressMaximum, double(announced - 1));
        QCOMPARE(r.echo,
                 announced > kFlashImageMax ? ReceiveHandler::kOverflow : QStringLiteral("7"));
        // Byte i goes to step i / 14, byte i % 14; the rest stays untouched.
        const QByteArray image(reinterpret_cast<const char*>(r.d->FlashImage.data()),
                               sizeof r.d->FlashImage);
        QCOMPARE(image, data.left(stored).leftJustified(image.size(), '\0'));
        // No notification until whoever waits outside restores the normal phase.
        QCOMPARE(r.rig.comm.rThreshold(), 0);
        r.rig.arrive(bytes({1}));
        QCOMPARE(r.handled.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestReceiveHandler)
#include "tst_receivehandler.moc"
