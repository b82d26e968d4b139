#include "FilesController.h"

#include "ui/shell/Form1.h"

FilesController::FilesController(Form1& form) : m_form(form) {}
