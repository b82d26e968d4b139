#pragma once

#include "core/sequence/SequenceEditor.h"

#include <QObject>
#include <QString>

class Form1;

// The step list and the buffer editing frame: showing, adding, removing, replacing and
// reordering steps, and breakpoints.
class SequenceController : public QObject {
    Q_OBJECT
public:
    explicit SequenceController(Form1& form);

    // Puts step `index` on the sliders (each channel is sent through the slider handling), the
    // step-duration field and "Step N° ". Does nothing for an index that is not a line.
    void ShowStep(int index);
    void ResetBreakPoints();

    void CommandAdd_Click();
    void CommandRem_Click();
    void CommandReplace_Click();
    void CommandClear_Click();
    void CommandUp_Click();
    void CommandDwn_Click();
    void ListSequence_DblClick();
    // `row` is the line under the pointer, -1 for none.
    void ListSequence_MouseDown(Qt::MouseButton button, int row);
    void ListSequence_MouseUp(Qt::MouseButton button, int row);
    void CommandBrk_Click();
    void CommandResBrk_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The Add form of the pose in the angle boxes and the step-duration field.
    QString lineFromEntry() const;
    void showSelectedInLabel();
    void tellRefused(EditOutcome outcome);
    void mirrorSelection(int index);
    void takeViewSelection();

    Form1& m_form;
    // While the list's rows change, the view adjusts its own selection; the list keeps the
    // authoritative one and tells the view afterwards.
    bool m_rowsChanging = false;
};
