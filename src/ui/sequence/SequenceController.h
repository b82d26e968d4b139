#pragma once

class Form1;

// The step list and the buffer editing frame: showing, adding, removing, replacing and
// reordering steps, and breakpoints.
class SequenceController {
public:
    explicit SequenceController(Form1& form);

    // Puts step `index` on the sliders (each channel is sent through the slider handling), the
    // step-duration field and "Step N° ".
    void ShowStep(int index);
    void ResetBreakPoints();

private:
    Form1& m_form;
};
