#include "SetupController.h"

#include "ChannelSetupDialog.h"

#include "board/Board.h"
#include "board/PcPlayback.h"
#include "core/setup/ChannelSetup.h"
#include "ui/panel/Panel.h"
#include "ui/shell/Messages.h"

#include <QAction>
#include <QSettings>
#include <QSignalBlocker>

namespace {
constexpr int kWarningShownMs = 15000;
} // namespace

SetupController::SetupController(Panel& panel, Messages& messages, QAction& channelSetupAction,
                                 QAction& changedOnlyAction)
    : m_panel(panel), m_messages(messages), m_changedOnlyAction(changedOnlyAction) {
    connect(&channelSetupAction, &QAction::triggered, this, [this] { openChannelSetup(); });
    connect(&changedOnlyAction, &QAction::toggled, this,
            [this](bool on) { switchChangedOnly(on); });
}

void SetupController::restore() {
    QSettings settings;
    QString error;
    m_panel.setChannelSetup(ChannelSetup::load(settings, &error));
    if (!error.isEmpty()) {
        // The channels then have no limits: the user must hear of it.
        m_messages.showStatus(tr("The kept channel setup is not valid (%1); the channels have "
                                 "no names and no limits.")
                                  .arg(error),
                              kWarningShownMs);
    }
    const bool changedOnly = settings.value(kChangedOnlyKey, false).toBool();
    const QSignalBlocker quiet(&m_changedOnlyAction);
    m_changedOnlyAction.setChecked(changedOnly);
    m_panel.board().pcPlayback().setChangedOnly(changedOnly);
}

// Window-modal without a loop of its own, so playback and the line go on while it is open.
void SetupController::openChannelSetup() {
    if (!m_panel.permits(interlock::Command::ChannelSetup)) {
        return;
    }
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    auto* dialog =
        new ChannelSetupDialog(m_panel.channelSetup(), m_messages.dialogs(), &m_messages.window());
    connect(dialog, &QDialog::accepted, this, [this, dialog] { apply(dialog->setup()); });
    connect(dialog, &QDialog::finished, this, [this, dialog] {
        m_dialog = nullptr;
        dialog->deleteLater();
    });
    m_dialog = dialog;
    m_dialog->open();
}

ChannelSetupDialog* SetupController::channelSetupDialog() const {
    return m_dialog;
}

void SetupController::apply(const ChannelSetup& setup) {
    m_panel.setChannelSetup(setup);
    QSettings settings;
    setup.save(settings);
}

void SetupController::switchChangedOnly(bool on) {
    if (!m_panel.permits(interlock::Command::SendChangedOnly)) {
        const QSignalBlocker quiet(&m_changedOnlyAction);
        m_changedOnlyAction.setChecked(!on);
        return;
    }
    m_panel.board().pcPlayback().setChangedOnly(on);
    QSettings().setValue(kChangedOnlyKey, on);
}
