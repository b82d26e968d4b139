#include "LinkRig.h"

#include "link/BoardWait.h"

#include <QTest>
#include <QTimer>

using boardwait::End;
using Flag = bool Declaration::*;
Q_DECLARE_METATYPE(Flag)
Q_DECLARE_METATYPE(End)

class TestBoardWait : public QObject {
    Q_OBJECT
private slots:
    void endsOn_data() {
        QTest::addColumn<Flag>("flag"); // none: the device goes away
        QTest::addColumn<End>("end");
        QTest::newRow("reply") << Flag(&Declaration::ReplyDone) << End::Done;
        QTest::newRow("abort") << Flag(&Declaration::AbortRequested) << End::Aborted;
        QTest::newRow("window closing") << Flag(&Declaration::shuttingDown) << End::Closing;
        QTest::newRow("port lost") << Flag() << End::PortLost;
    }
    void endsOn() {
        QFETCH(Flag, flag);
        QFETCH(End, end);
        LinkRig rig;
        QVERIFY(rig.openNormal());
        Declaration d;
        QTimer::singleShot(300, [&] { flag ? void(d.*flag = true) : rig.fake->loseDevice({}); });
        int passes = 0;
        QCOMPARE(boardwait::waitUntil([&] { return ++passes, d.ReplyDone; }, d, rig.comm), end);
        // It sleeps until something happens: a loop that spins would pass many thousands of times.
        QVERIFY2(passes < 20, qPrintable(QString::number(passes)));
    }

    // Qt's glib dispatcher withholds, in a nested loop, events queued before the current one.
    void seesEventsQueuedBeforeItStarted() {
        LinkRig rig;
        QVERIFY(rig.openNormal());
        Declaration d;
        End end = End::Closing;
        QEventLoop outer;
        // A wait entered from a queued call, with the call that ends it queued right behind.
        const auto enter = [&] {
            end = boardwait::waitUntil([&] { return d.ReplyDone; }, d, rig.comm);
            outer.quit();
        };
        const auto reply = [&] { d.ReplyDone = true; };
        QMetaObject::invokeMethod(this, enter, Qt::QueuedConnection);
        QMetaObject::invokeMethod(this, reply, Qt::QueuedConnection);
        QTimer::singleShot(2000, this, [&] { d.shuttingDown = true; }); // ends an oversleep
        outer.exec();
        QCOMPARE(end, End::Done);
    }
};

QTEST_GUILESS_MAIN(TestBoardWait)
#include "tst_boardwait.moc"
