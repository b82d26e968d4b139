#pragma once

#include "link/OpenFailure.h"

#include <QString>

#include <functional>

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

    Form1& m_form;
    FailureObserver m_observeFailure = &openfailure::observe;
};
