#include "InterpController.h"

#include "ui/shell/Form1.h"

InterpController::InterpController(Form1& form) : m_form(form) {}
