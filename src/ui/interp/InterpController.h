#pragma once

#include "InterpDialog.h"

#include <QObject>
#include <QPointer>

#include <array>

class Messages;
class Panel;
class QLabel;
class StepListView;
struct BufferEditFrame;
struct ChannelsFrame;
struct PcDebugFrame;
struct PcEmuFrame;

// The "Interpolate" button and its dialog. While the dialog is open the list and the frames
// that could change or play the sequence are locked, in place of a modal dialog.
class InterpController : public QObject {
    Q_OBJECT
public:
    InterpController(Panel& panel, Messages& messages, const BufferEditFrame& bufferEdit,
                     const ChannelsFrame& channels, const PcEmuFrame& pcEmu,
                     const PcDebugFrame& pcDebug, StepListView& stepList);
    ~InterpController() override;

    // "Interpolate": the dialog opens on the selected line.
    void openDialog();
    // The dialog's OK: the ramp replaces the line.
    void applyDialog();
    void cancelDialog();

    // The open dialog, or null.
    InterpDialog* dialog() const { return m_dialog; }

private:
    void prepareDialog();
    void dialogClosed();
    void setLocked(bool locked);

    Panel& m_panel;
    Messages& m_messages;
    QLabel& m_stepLabel;
    std::array<QWidget*, 5> m_lockedWhileOpen;
    QPointer<InterpDialog> m_dialog;
    bool m_applying = false;
};
