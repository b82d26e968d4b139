#pragma once

class Form1;

// PC playback of the sequence, with each step's own time or one fixed time.
class PlaybackController {
public:
    explicit PlaybackController(Form1& form);

private:
    Form1& m_form;
};
