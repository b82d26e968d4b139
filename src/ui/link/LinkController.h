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
class QAction;
class QLabel;
class SwitchControl;
struct SerialDebugFrame;

// The port chooser, opening and closing the port, the connection's field on the status bar,
// the loss of the connection and the debug frame.
class LinkController : public QObject {
    Q_OBJECT
public:
    // Connection names what the field on the status bar and "Close Port" need.
    struct Connection {
        QLabel* field = nullptr;
        QAction* closePortAction = nullptr;
        SwitchControl* pcControlSwitch = nullptr;
    };
    LinkController(Panel& panel, Messages& messages, PortChooser& portChooser,
                   const SerialDebugFrame& serialDebug, Connection connection);

    // The port at this entry of the chooser, as the user picks it.
    void choosePort(int index);
    bool openPort();
    // "Close Port": what shutdown sends goes out, then the port closes and may be chosen again.
    void closePort();
    // A click on the echo box: the box and the receive buffer are emptied.
    void clearEcho();
    // "InBuff": how many bytes wait in the receive buffer.
    void showInBufferCount();

    // Looks at the machine when a port fails to open; tests hand in what it would see.
    using FailureObserver = std::function<openfailure::Facts(const QString& device)>;
    void setFailureObserver(FailureObserver observer) { m_observeFailure = std::move(observer); }

    static constexpr int kInBufferSize = 20000;
    static inline const QString kSettings = QStringLiteral("9600,N,8,2");
    static inline const QString kNotConnected = QStringLiteral("Not connected");
    static inline const QString kConnectionLost = QStringLiteral("Connection lost");
    // The port number opened last, which the chooser shows at the next start.
    static inline const QString kLastPortKey = QStringLiteral("link/lastPort");

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
    Connection m_connection;
    FailureObserver m_observeFailure = &openfailure::observe;
    QMap<int, Opened> m_opened;          // by port number: what it led to when it was last opened
    std::pair<int, QString> m_movedTold; // the port and the new device the user was told of
};
