#pragma once

#include "support/FakeTransport.h"
#include "support/ScriptedDialogs.h"

#include "ui/shell/ClickableViews.h"
#include "ui/shell/Form1.h"
#include "ui/shell/LinkController.h"

#include <QComboBox>

#include <memory>

// The real window over a fake serial device, with dialogs answered by the test. The port is
// chosen as a user would, through the port chooser's handler.
struct FormRig {
    explicit FormRig(bool openPort = true) {
        auto transport = std::make_unique<FakeTransport>();
        port = transport.get();
        form = std::make_unique<Form1>(
            std::move(transport), [](int n) { return QStringLiteral("/dev/fake%1").arg(n); },
            dialogs);
        if (openPort) {
            choosePort(0);
            port->clearWrites();
        }
    }

    void choosePort(int index) {
        form->ComboPort->setCurrentIndex(index);
        form->linkControl->ComboPort_Click(index);
    }

    ScriptedDialogs dialogs;
    FakeTransport* port = nullptr; // owned by the window's serial control
    std::unique_ptr<Form1> form;
};
