#include "LinkRig.h"

#include "core/Declaration.h"
#include "link/BoardWait.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

using boardwait::End;

class TestBoardWait : public QObject {
    Q_OBJECT
private slots:
    void endsOnDone();
    void endsOnAbortFromNestedHandler();
    void endsOnLostPort();
    void endsOnShutdown();
    void receiveHandlerRunsInside();
    void seesEventsQueuedBeforeItStarted();
    void sleepsWhileNothingHappens();
};

void TestBoardWait::endsOnDone() {
    LinkRig rig;
    QVERIFY(rig.openNormal());
    Declaration d;
    QTimer::singleShot(10, this, [&] { d.ReplyDone = true; });
    QCOMPARE(boardwait::waitUntil([&] { return d.ReplyDone; }, d, rig.comm), End::Done);
}

void TestBoardWait::endsOnAbortFromNestedHandler() {
    LinkRig rig;
    QVERIFY(rig.openNormal());
    Declaration d;
    QTimer::singleShot(10, this, [&] { d.AbortRequested = true; });
    QCOMPARE(boardwait::waitUntil([] { return false; }, d, rig.comm), End::Aborted);
    QVERIFY(d.AbortRequested); // left for the waiting operation to clear
}

void TestBoardWait::endsOnLostPort() {
    LinkRig rig;
    QVERIFY(rig.openNormal());
    Declaration d;
    QTimer::singleShot(10, this, [&] { rig.fake->loseDevice(QStringLiteral("unplugged")); });
    QCOMPARE(boardwait::waitUntil([] { return false; }, d, rig.comm), End::PortLost);
}

void TestBoardWait::endsOnShutdown() {
    LinkRig rig;
    QVERIFY(rig.openNormal());
    Declaration d;
    QTimer::singleShot(10, this, [&] { d.shuttingDown = true; });
    QCOMPARE(boardwait::waitUntil([] { return false; }, d, rig.comm), End::Closing);
}

void TestBoardWait::receiveHandlerRunsInside() {
    LinkRig rig;
    QVERIFY(rig.openNormal());
    Declaration d;
    d.AwaitingAck = true;
    connect(&rig.comm, &SerialControl::OnComm, this, [&] {
        if (static_cast<quint8>(rig.comm.input().at(0)) == 255) {
            d.ReplyDone = true;
        }
    });
    rig.fake->onWrite = [&](const QByteArray&) { rig.fake->inject(bytes({255})); };
    rig.comm.output(bytes({2}));
    QCOMPARE(boardwait::waitUntil([&] { return d.ReplyDone; }, d, rig.comm), End::Done);
}

void TestBoardWait::seesEventsQueuedBeforeItStarted() {
    LinkRig rig;
    QVERIFY(rig.openNormal());
    Declaration d;
    End end = End::Closing;
    QEventLoop outer;
    // A wait entered from a queued call, with the call that ends it queued right behind.
    QMetaObject::invokeMethod(
        this,
        [&] {
            end = boardwait::waitUntil([&] { return d.ReplyDone; }, d, rig.comm);
            outer.quit();
        },
        Qt::QueuedConnection);
    QMetaObject::invokeMethod(this, [&] { d.ReplyDone = true; }, Qt::QueuedConnection);
    // Should the wait oversleep, this ends it, and the result tells.
    QTimer::singleShot(2000, this, [&] { d.shuttingDown = true; });
    outer.exec();
    QCOMPARE(end, End::Done);
}

void TestBoardWait::sleepsWhileNothingHappens() {
    LinkRig rig;
    QVERIFY(rig.openNormal());
    Declaration d;
    bool quiet = true;
    int passes = 0;
    QTimer::singleShot(300, this, [&] { quiet = false; });
    const End end = boardwait::waitUntil(
        [&] {
            ++passes;
            return !quiet;
        },
        d, rig.comm);
    QCOMPARE(end, End::Done);
    // A loop that spins would pass many thousands of times.
    QVERIFY2(passes < 20, qPrintable(QString::number(passes)));
}

QTEST_GUILESS_MAIN(TestBoardWait)
#include "tst_boardwait.moc"
