#include "LinkRig.h"

#include "core/Declaration.h"
#include "link/ReceiveHandler.h"

#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

class RecordingView : public ReceiveView {
public:
    QString echoText() const override { return echo; }
    void setEchoText(const QString& text) override {
        echo = text;
        ++echoSets;
    }
    void setProgressMaximum(double maximum) override { progressMaximum = maximum; }
    void setProgressValue(double value) override {
        progressValue = value;
        if (onProgress) {
            onProgress(value);
        }
    }

    QString echo;
    int echoSets = 0;
    double progressMaximum = -99;
    double progressValue = -99;
    std::function<void(double)> onProgress;
};

// The handler wired to a fake device the way the window wires it.
struct Receiver {
    LinkRig rig;
    std::unique_ptr<Declaration> d = std::make_unique<Declaration>();
    RecordingView view;
    ReceiveHandler handler{*d, rig.comm, view};
    int handled = 0;

    Receiver() {
        rig.openNormal();
        QObject::connect(&rig.comm, &SerialControl::OnComm, &rig.comm, [this] {
            handler.MSComm1_OnComm();
            ++handled;
        });
    }

    // The header phase a flash read sets before it sends its command.
    void startFlashRead() {
        d->ReadingFlash = true;
        rig.comm.setInputLen(2);
        rig.comm.setRThreshold(2);
    }

    // Abort pressed while the data wait pumps, once the bar shows `at` bytes.
    void abortAt(double at) {
        view.onProgress = [this, at](double value) {
            if (value == at) {
                view.onProgress = nullptr;
                QTimer::singleShot(0, &rig.comm, [this] { d->AbortRequested = true; });
            }
        };
    }
};

QByteArray image(int size) {
    QByteArray data(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) {
        data[i] = static_cast<char>((i * 7 + i / 256) % 256);
    }
    return data;
}

bool imageHolds(const Declaration& d, const QByteArray& data, int count) {
    for (int i = 0; i < count; ++i) {
        if (d.FlashImage[i / kFlashStepBytes][i % kFlashStepBytes] != static_cast<quint8>(data[i])) {
            return false;
        }
    }
    return true;
}

bool imageUntouchedFrom(const Declaration& d, int from) {
    for (int i = from; i < kTableRows * kFlashStepBytes; ++i) {
        if (d.FlashImage[i / kFlashStepBytes][i % kFlashStepBytes] != 0) {
            return false;
        }
    }
    return true;
}

} // namespace

class TestReceiveHandler : public QObject {
    Q_OBJECT
private slots:
    void echoShowsEachByte_data();
    void echoShowsEachByte();
    void acknowledgement_data();
    void acknowledgement();
    void acknowledgementTakesPrecedence();
    void emptyHeader();
    void fullImageArrivingInPieces();
    void twoStepsGoToTheirRows();
    void overflowStoresExactly14336();
    void overflowAbortKeepsWhatArrived_data();
    void overflowAbortKeepsWhatArrived();
    void abortWithoutOverflowStoresNothing();
    void waitEndsWhenDeviceGoesAway();
};

void TestReceiveHandler::echoShowsEachByte_data() {
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QString>("shown");
    QTest::newRow("65") << bytes({65}) << "65";
    QTest::newRow("0") << bytes({0}) << "0";
    QTest::newRow("255 is only a number here") << bytes({255}) << "255";
    QTest::newRow("last of several") << bytes({1, 2, 200}) << "200";
}

void TestReceiveHandler::echoShowsEachByte() {
    QFETCH(QByteArray, received);
    QFETCH(QString, shown);
    Receiver r;
    r.view.echo = QStringLiteral("old");
    r.rig.fake->inject(received);
    QTRY_COMPARE(r.handled, received.size());
    QCOMPARE(r.view.echo, shown);
    QCOMPARE(r.view.echoSets, received.size());
    QVERIFY(!r.d->ReplyDone);
    QCOMPARE(r.rig.comm.inBufferCount(), 0);
}

void TestReceiveHandler::acknowledgement_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<bool>("done");
    QTest::addColumn<QString>("echo");
    QTest::newRow("ack") << 255 << true << "before";
    QTest::newRow("zero") << 0 << false << "Error!";
    QTest::newRow("254") << 254 << false << "Error!";
}

void TestReceiveHandler::acknowledgement() {
    QFETCH(int, byte);
    QFETCH(bool, done);
    QFETCH(QString, echo);
    Receiver r;
    r.view.echo = QStringLiteral("before");
    r.d->AwaitingAck = true;
    r.rig.fake->inject(bytes({byte}));
    QTRY_COMPARE(r.handled, 1);
    QCOMPARE(r.d->ReplyDone, done);
    QCOMPARE(r.view.echo, echo);
}

void TestReceiveHandler::acknowledgementTakesPrecedence() {
    Receiver r;
    r.d->AwaitingAck = true;
    r.d->ReadingFlash = true;
    r.rig.fake->inject(bytes({255}));
    QTRY_COMPARE(r.handled, 1);
    QVERIFY(r.d->ReplyDone);
    QCOMPARE(r.d->FlashByteCount, 0);
}

void TestReceiveHandler::emptyHeader() {
    Receiver r;
    r.startFlashRead();
    r.d->FlashByteCount = 99;
    r.rig.fake->inject(bytes({0x00, 0x00}));
    QTRY_COMPARE(r.handled, 1);
    QVERIFY(r.d->ReplyDone);
    QCOMPARE(r.d->FlashByteCount, 0);
    QCOMPARE(r.view.progressMaximum, -1.0);
    QCOMPARE(r.rig.comm.rThreshold(), 0);
    QVERIFY(imageUntouchedFrom(*r.d, 0));
}

void TestReceiveHandler::fullImageArrivingInPieces() {
    Receiver r;
    r.startFlashRead();
    const QByteArray data = image(kFlashImageMax);
    r.rig.fake->inject(bytes({0x38, 0x00}));
    // The rest trickles in while the handler's own wait pumps.
    constexpr int kPiece = 1000;
    int sent = 0;
    QTimer feeder;
    connect(&feeder, &QTimer::timeout, this, [&] {
        r.rig.fake->inject(data.mid(sent, kPiece));
        sent += kPiece;
        if (sent >= data.size()) {
            feeder.stop();
        }
    });
    feeder.start(0);
    QTRY_VERIFY(r.d->ReplyDone);
    QCOMPARE(r.handled, 1);
    QCOMPARE(r.d->FlashByteCount, kFlashImageMax);
    QCOMPARE(r.view.progressMaximum, double(kFlashImageMax - 1));
    QCOMPARE(r.view.progressValue, double(kFlashImageMax));
    QVERIFY(r.view.echo.isEmpty());
    QVERIFY(imageHolds(*r.d, data, kFlashImageMax));
    QVERIFY(imageUntouchedFrom(*r.d, kFlashImageMax)); // row 1024 stays clear
    QCOMPARE(r.rig.comm.inBufferCount(), 0);
}

void TestReceiveHandler::twoStepsGoToTheirRows() {
    Receiver r;
    r.startFlashRead();
    const QByteArray data = image(28);
    r.rig.fake->inject(bytes({0x00, 0x1C}) + data);
    QTRY_VERIFY(r.d->ReplyDone);
    QCOMPARE(r.d->FlashByteCount, 28);
    for (int b = 0; b < kFlashStepBytes; ++b) {
        QCOMPARE(r.d->FlashImage[0][b], static_cast<quint8>(data[b]));
        QCOMPARE(r.d->FlashImage[1][b], static_cast<quint8>(data[14 + b]));
    }
    QVERIFY(imageUntouchedFrom(*r.d, 28));
}

void TestReceiveHandler::overflowStoresExactly14336() {
    Receiver r;
    r.startFlashRead();
    const QByteArray data = image(kFlashImageMax);
    r.rig.fake->inject(bytes({0x38, 0x01}));
    QTimer::singleShot(0, this, [&] { r.rig.fake->inject(data); });
    QTRY_VERIFY(r.d->ReplyDone);
    QCOMPARE(r.view.echo, ReceiveHandler::kOverflow);
    QCOMPARE(r.view.progressMaximum, double(kFlashImageMax));
    QCOMPARE(r.d->FlashByteCount, kFlashImageMax);
    QVERIFY(imageHolds(*r.d, data, kFlashImageMax));
    QVERIFY(!r.d->AbortRequested);
}

void TestReceiveHandler::overflowAbortKeepsWhatArrived_data() {
    QTest::addColumn<int>("arrived");
    QTest::addColumn<int>("stored");
    QTest::newRow("fewer than the cap") << 5000 << 5000;
    QTest::newRow("past the cap") << 14400 << kFlashImageMax;
}

void TestReceiveHandler::overflowAbortKeepsWhatArrived() {
    QFETCH(int, arrived);
    QFETCH(int, stored);
    Receiver r;
    r.startFlashRead();
    const QByteArray data = image(arrived);
    r.abortAt(arrived);
    r.rig.fake->inject(bytes({0xFF, 0xFF}));
    QTimer::singleShot(0, this, [&] { r.rig.fake->inject(data); });
    QTRY_COMPARE(r.handled, 1);
    QVERIFY(r.d->ReplyDone);
    QVERIFY(r.d->AbortRequested);
    QCOMPARE(r.view.echo, ReceiveHandler::kOverflow);
    QCOMPARE(r.d->FlashByteCount, stored);
    QVERIFY(imageHolds(*r.d, data, stored));
    QVERIFY(imageUntouchedFrom(*r.d, stored));
}

void TestReceiveHandler::abortWithoutOverflowStoresNothing() {
    Receiver r;
    r.startFlashRead();
    r.view.echo = QStringLiteral("7");
    r.abortAt(10);
    r.rig.fake->inject(bytes({0x00, 0x1C}));
    QTimer::singleShot(0, this, [&] { r.rig.fake->inject(image(10)); });
    QTRY_COMPARE(r.handled, 1);
    QVERIFY(!r.d->ReplyDone);
    QVERIFY(r.d->AbortRequested);
    QCOMPARE(r.d->FlashByteCount, 28);
    QVERIFY(imageUntouchedFrom(*r.d, 0));
    // No notification while the abort is handled by whoever waits outside.
    QCOMPARE(r.rig.comm.rThreshold(), 0);
    r.rig.fake->inject(bytes({1}));
    settle();
    QCOMPARE(r.handled, 1);
}

void TestReceiveHandler::waitEndsWhenDeviceGoesAway() {
    Receiver r;
    r.startFlashRead();
    r.view.onProgress = [&](double value) {
        if (value == 3) {
            r.view.onProgress = nullptr;
            QTimer::singleShot(0, r.rig.fake,
                               [&] { r.rig.fake->loseDevice(QStringLiteral("gone")); });
        }
    };
    r.rig.fake->inject(bytes({0x00, 0x1C, 1, 2, 3}));
    QTRY_COMPARE(r.handled, 1);
    QVERIFY(!r.d->ReplyDone);
    QVERIFY(imageUntouchedFrom(*r.d, 0));
}

QTEST_GUILESS_MAIN(TestReceiveHandler)
#include "tst_receivehandler.moc"
