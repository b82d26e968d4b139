#pragma once

class Form1;

// The "Interpolate" button and its dialog.
class InterpController {
public:
    explicit InterpController(Form1& form);

private:
    Form1& m_form;
};
