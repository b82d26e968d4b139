#include "FlashController.h"

#include "ui/shell/Form1.h"

FlashController::FlashController(Form1& form) : m_form(form) {}
