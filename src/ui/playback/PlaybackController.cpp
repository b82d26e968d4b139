#include "PlaybackController.h"

#include "ui/shell/Form1.h"

PlaybackController::PlaybackController(Form1& form) : m_form(form) {}
