#pragma once

class Form1;

// Saving the step list to a sequence file and loading it back.
class FilesController {
public:
    explicit FilesController(Form1& form);

private:
    Form1& m_form;
};
