#pragma once

class Form1;

// Start-up, shutdown and the "Advanced" menu of the window.
class ShellController {
public:
    explicit ShellController(Form1& form);

    void Form_Load();
    void Form_Unload();
    void Form_Terminate();

    void FreshProg(bool checked);
    void Serial(bool checked);
    void Resetting();
    void Quit();

private:
    void endRun();

    Form1& m_form;
    // After Quit nothing else of the window runs, the shutdown work included.
    bool m_ended = false;
};
