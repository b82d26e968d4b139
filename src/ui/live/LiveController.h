#pragma once

#include "ui/frames/ChannelsFrame.h"

#include <QObject>

class Messages;
class Panel;
class SwitchControl;
struct SideColumn;

// The twelve channel sliders with their offset and angle boxes, and PC control of the servos.
class LiveController : public QObject {
    Q_OBJECT
public:
    LiveController(Panel& panel, Messages& messages, const ChannelsFrame& channels,
                   const SideColumn& side);

    // Every move of a channel's slider, by the user or from code: the position goes to the
    // board (or waits for a transfer to end) and both boxes of the channel follow.
    void moveChannel(int channel, double value);
    // A key typed in a channel's offset box. `key` is a character code; it comes back 0 when
    // the box discards the key. 13 commits the offset.
    void offsetKey(int channel, int& key);
    // Focus left the offset box: what it holds is committed.
    void leaveOffset(int channel);
    // A command taken from the keys while an offset box has them: what the box holds counts,
    // as it would had a click taken the focus away.
    void commitFocusedOffset();

    // "PC Ctr Enbl", "ON" and "OFF".
    void switchPcControl(bool on);
    void pcControlOn();
    void pcControlOff();
    // PC control off while the port is open: the window's shutdown work.
    void pcOffAtShutdown();

    static constexpr int kEnter = 13;
    static constexpr int kBackspace = 8;
    static constexpr int kMinus = 45;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void commitOffset(int channel);
    void showChannelSetup();

    Panel& m_panel;
    Messages& m_messages;
    ChannelsFrame m_channels;
    SwitchControl& m_pcControlSwitch;
};
