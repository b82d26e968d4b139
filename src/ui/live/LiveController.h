#pragma once

class Form1;

// The twelve channel sliders with their offset and angle boxes, and PC control of the servos.
class LiveController {
public:
    explicit LiveController(Form1& form);

    // PC control off while the port is open; also the window's shutdown work.
    void pcOff();

private:
    Form1& m_form;
};
