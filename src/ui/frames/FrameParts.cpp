#include "FrameParts.h"

#include "ui/shell/SwitchControl.h"

#include <QGroupBox>
#include <QPushButton>

namespace frameparts {

QPushButton* makeButton(const QString& caption, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(caption.simplified());
    return button;
}

SwitchControl* makeSwitch(const QString& caption, const QString& name, QWidget* parent) {
    auto* s = new SwitchControl(caption, parent);
    s->setObjectName(name);
    s->setAccessibleName(caption);
    return s;
}

QGroupBox* makeFrame(const QString& caption, const QString& name, QWidget* parent) {
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(name);
    frame->setAccessibleName(caption.isEmpty() ? name : caption);
    return frame;
}

} // namespace frameparts
