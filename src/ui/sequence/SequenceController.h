#pragma once

#include "core/sequence/SequenceEditor.h"
#include "ui/frames/ChannelsFrame.h"

#include <QObject>
#include <QString>

class Messages;
class Panel;
class StepListView;
struct BufferEditFrame;
struct PcEmuFrame;

// The step list and the buffer editing frame: showing, adding, removing, replacing and
// reordering steps, and breakpoints.
class SequenceController : public QObject {
    Q_OBJECT
public:
    // The breakpoint buttons sit in the PC emulator's frame.
    SequenceController(Panel& panel, Messages& messages, const ChannelsFrame& channels,
                       const BufferEditFrame& bufferEdit, const PcEmuFrame& pcEmu,
                       StepListView& stepList);

    // Puts a step on the sliders (each channel is sent through the slider handling), the
    // step-duration field and "Step N° ". Does nothing for an index that is not a line.
    void showStep(int index);

    void addStep();
    // Every selected line goes.
    void removeStep();
    void replaceStep();
    void clearAll();
    // "--->" and "<---": the next or previous line, shown.
    void nextStep();
    void previousStep();
    // A double-click on the list: the selected line, shown.
    void showSelectedStep();
    // `row` is the line under the pointer, -1 for none.
    void listPressed(Qt::MouseButton button, int row);
    void listReleased(Qt::MouseButton button, int row);
    // "Set/Reset Break" on the selected line, and "Reset  All Break".
    void toggleBreak();
    void resetAllBreaks();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The Add form of the pose in the angle boxes and the step-duration field.
    QString lineFromEntry() const;
    void showSelectedInLabel();
    void tellRefused(EditOutcome outcome);
    void mirrorSelection();
    void takeViewSelection();

    Panel& m_panel;
    Messages& m_messages;
    ChannelsFrame m_channels;
    StepListView& m_stepList;
    // While the list's rows change, the view adjusts its own selection; the list keeps the
    // authoritative one and tells the view afterwards.
    bool m_rowsChanging = false;
    bool m_mirroring = false;
    // A press with Shift or Ctrl extends the selection and never starts a line's drag move.
    bool m_pressExtends = false;
};
