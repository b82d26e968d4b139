#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class ChannelSetup;
class ChannelSetupDialog;
class Messages;
class Panel;
class QAction;

// The panel's own settings from the "Advanced" menu: the channel setup and whether PC playback
// sends only the channels that change. Both are kept in the user's settings, where the command
// line finds them too.
class SetupController : public QObject {
    Q_OBJECT
public:
    SetupController(Panel& panel, Messages& messages, QAction& channelSetupAction,
                    QAction& changedOnlyAction);

    static inline const QString kChangedOnlyKey = QStringLiteral("pcPlayback/changedOnly");

    // What the settings keep, applied to the panel at start.
    void restore();
    // "Channel Setup…": the dialog over the window; its OK applies and keeps the setup.
    void openChannelSetup();
    ChannelSetupDialog* channelSetupDialog() const;
    // "Send Changed Channels Only"; refused while PC playback runs, as a run keeps its way.
    void switchChangedOnly(bool on);

private:
    void apply(const ChannelSetup& setup);

    Panel& m_panel;
    Messages& m_messages;
    QAction& m_changedOnlyAction;
    QPointer<ChannelSetupDialog> m_dialog;
};
