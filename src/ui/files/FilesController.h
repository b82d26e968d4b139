#pragma once

class Form1;

// Saving the step list to a sequence file and loading it back ("File" menu).
class FilesController {
public:
    explicit FilesController(Form1& form);

    void SaveBuffer_Click();
    void LoadBuffer_Click();

private:
    Form1& m_form;
};
