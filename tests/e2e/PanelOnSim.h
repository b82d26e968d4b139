#pragma once

#include "support/ScriptedDialogs.h"
#include "support/SimProcess.h"

#include "board/Board.h"
#include "link/PortMap.h"
#include "link/QtSerialTransport.h"
#include "link/SerialControl.h"
#include "ui/link/LinkController.h"
#include "ui/panel/Panel.h"
#include "ui/shell/ClickableViews.h"
#include "ui/window/MainWindow.h"

#include <QComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

// The real window and serial port, the board simulator attached as Comm1 on a pseudo-terminal.
struct PanelOnSim {
    QTemporaryDir m_dir;
    std::unique_ptr<SimProcess> m_sim;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<MainWindow> m_form;

    void start(QStringList options) {
        m_form.reset();
        qputenv("TESSAREL_PORT_DIR", m_dir.path().toLocal8Bit());
        m_sim = std::make_unique<SimProcess>();
        m_sim->setEnvironmentValue(QStringLiteral("TESSAREL_PORT_DIR"), m_dir.path());
        const bool started =
            m_sim->start(options << QStringLiteral("--attach") << QStringLiteral("1"));
        m_form = std::make_unique<MainWindow>(std::make_unique<QtSerialTransport>(),
                                              &portmap::lookUp, m_dialogs);
        m_form->sideColumn().portChooser->setCurrentIndex(0);
        m_form->linkController().choosePort(0);
        QVERIFY2(started && m_form->panel().serial().portOpen(),
                 qPrintable(m_sim->error() + m_dialogs.texts().join(QLatin1Char('\n'))));
        m_dialogs.messages.clear();
        // A transfer that never ends fails the test instead of hanging it.
        QTimer::singleShot(120000, m_form.get(), [this] {
            QTest::qFail("a transfer never ended", __FILE__, __LINE__);
            m_form->panel().board().shutDown();
        });
    }
};
