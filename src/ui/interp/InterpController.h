#pragma once

#include "DialogInterp.h"

#include <QObject>
#include <QPointer>

class Form1;

// The "Interpolate" button and its dialog. While the dialog is open the list and the frames
// that could change or play the sequence are locked, in place of a modal dialog.
class InterpController {
public:
    explicit InterpController(Form1& form);
    ~InterpController();

    InterpController(const InterpController&) = delete;
    InterpController& operator=(const InterpController&) = delete;

    void CommandInterpolate_Click();
    void OKButton_Click();
    void CancelButton_Click();

    // The open dialog, or null.
    DialogInterp* dialog() const { return m_dialog; }

private:
    void Form_Load();
    void Form_Unload();
    void setLocked(bool locked);

    Form1& m_form;
    // Context of the connections to the window, so none outlives the controller.
    QObject m_context;
    QPointer<DialogInterp> m_dialog;
    bool m_applying = false;
};
