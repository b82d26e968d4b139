#pragma once

#include "link/OpenFailure.h"
#include "link/PortMap.h"

#include <QMap>
#include <QObject>
#include <QString>

#include <functional>
#include <utility>

class EchoBox;
class Messages;
class Panel;
class PortChooser;
struct SerialDebugFrame;

// The port chooser, opening the port, the loss of the connection and the debug frame.
class LinkController : public QObject {
    Q_OBJECT
public:
    LinkController(Panel& panel, Messages& messages, PortChooser& portChooser,
                   const SerialDebugFrame& serialDebug);

    // The port at this entry of the chooser, as the user picks it.
    void choosePort(int index);
    bool openPort();
    // A click on the echo box: the box and the receive buffer are emptied.
    void clearEcho();
    // "InBuff": how many bytes wait in the receive buffer.
    void showInBufferCount();

    // Looks at the machine when a port fails to open; tests hand in what it would see.
    using FailureObserver = std::function<openfailure::Facts(const QString& device)>;
    void setFailureObserver(FailureObserver observer) { m_observeFailure = std::move(observer); }

    static constexpr int kInBufferSize = 20000;
    static inline const QString kSettings = QStringLiteral("9600,N,8,2");

private:
    void portLost(const QString& reason, bool transferReports);
    // What to tell the user when the port does not open; empty when it does.
    QString openChosen(int index);
    QString movedNotice(int index, const portmap::Resolution& now);

    struct Opened {
        portmap::Resolution resolution;
        QString shown;
    };

    Panel& m_panel;
    Messages& m_messages;
    PortChooser& m_portChooser;
    EchoBox& m_echoBox;
    FailureObserver m_observeFailure = &openfailure::observe;
    QMap<int, Opened> m_opened;          // by port number: what it led to when it was last opened
    std::pair<int, QString> m_movedTold; // the port and the new device the user was told of
};
