#pragma once

#include <QtGlobal>

class Form1;

// Saving the step list to a sequence file and loading it back ("File" menu).
class FilesController {
public:
    explicit FilesController(Form1& form);

    void SaveBuffer_Click();
    void LoadBuffer_Click();

    // The saves begun this run; the name proposed for a save carries its number.
    qint16 saveCount() const { return m_saveCount; }

private:
    Form1& m_form;
    qint16 m_saveCount = 0;
};
