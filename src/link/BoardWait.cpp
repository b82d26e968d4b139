#include "BoardWait.h"

#include "SerialControl.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace boardwait {

End waitUntil(const std::function<bool()>& done, const Declaration& d, const SerialControl& comm) {
    // Every change a wait looks at arrives as an event; the guard only bounds how long a
    // change made without one (a flag set from a nested loop of another kind) goes unseen.
    QTimer guard;
    guard.start(100);
    QEventLoop pump;
    while (true) {
        if (done()) {
            return End::Done;
        }
        // Qt's glib dispatcher does not deliver, inside a nested loop, events that were already
        // queued when the event now being handled was dispatched; a wait entered from a queued
        // call would sleep past them.
        QCoreApplication::sendPostedEvents();
        pump.processEvents(QEventLoop::WaitForMoreEvents);
        if (d.AbortRequested) {
            return End::Aborted;
        }
        if (!comm.portOpen()) {
            return End::PortLost;
        }
        if (d.shuttingDown) {
            return End::Closing;
        }
    }
}

} // namespace boardwait
