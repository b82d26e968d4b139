#include "LinkRig.h"
#include "PtyPair.h"

#include "link/QtSerialTransport.h"

#include <QTest>

// The real serial port over a pseudo-terminal, the test playing the board.
class TestPtyLink : public QObject {
    Q_OBJECT

private slots:
    // The port does not empty its input when it opens; the control must.
    void openDropsWhatWaitedBefore() {
        PtyPair pty;
        QVERIFY(pty.ok());
        SerialControl comm(std::make_unique<QtSerialTransport>(),
                           [path = pty.slavePath()](int) { return path; });
        QByteArray got;
        connect(&comm, &SerialControl::OnComm, this, [&] { got += comm.input(); });
        QVERIFY(pty.write("stale bytes from before"));
        QVERIFY(openNormal(comm));
        QVERIFY(pty.write(bytes({42})));
        QTRY_COMPARE(got, bytes({42}));
        QTest::qWait(50);
        QCOMPARE(got, bytes({42}));
    }
};

QTEST_GUILESS_MAIN(TestPtyLink)
#include "tst_ptylink.moc"
