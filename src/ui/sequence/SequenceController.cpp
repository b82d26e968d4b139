#include "SequenceController.h"

#include "ui/shell/Form1.h"

SequenceController::SequenceController(Form1& form) : m_form(form) {}

void SequenceController::ShowStep(int index) { (void)index; }

void SequenceController::ResetBreakPoints() { m_form.editor.ResetBreakPoints(); }
