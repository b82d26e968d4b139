#include "LiveController.h"

#include "ui/shell/Form1.h"

LiveController::LiveController(Form1& form) : m_form(form) {
    QObject::connect(&form, &Form1::shutdownWork, &form, [this] { pcOff(); });
}

void LiveController::pcOff() {
    if (m_form.link->portOpen()) {
        m_form.link->PcControlOff();
    }
}
