#pragma once

#include "link/OpenFailure.h"
#include "link/PortMap.h"

#include <QMap>
#include <QString>

#include <functional>
#include <utility>

class Form1;

// The port chooser, opening the port and the debug frame.
class LinkController {
public:
    explicit LinkController(Form1& form);

    void ComboPort_Click(int index);
    bool OpenPort();
    void Echo_Click();
    void CommandInBuff_Click();

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

    Form1& m_form;
    FailureObserver m_observeFailure = &openfailure::observe;
    QMap<int, Opened> m_opened;          // by port number: what it led to when it was last opened
    std::pair<int, QString> m_movedTold; // the port and the new device the user was told of
};
