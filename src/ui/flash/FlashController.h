#pragma once

class Form1;

// The board's flash: programming, read-back, erase, and the board's own playback.
class FlashController {
public:
    explicit FlashController(Form1& form);

private:
    Form1& m_form;
};
