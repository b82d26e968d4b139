#include "ClickableViews.h"

#include <QMouseEvent>

void EchoBox::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    emit clicked();
}

void StepListView::mousePressEvent(QMouseEvent* event) {
    QListView::mousePressEvent(event);
    emit mouseDown(event->button(), indexAt(event->position().toPoint()).row());
}

void StepListView::mouseReleaseEvent(QMouseEvent* event) {
    QListView::mouseReleaseEvent(event);
    emit mouseUp(event->button(), indexAt(event->position().toPoint()).row());
}

PortChooser::PortChooser(Resolver resolver, QWidget* parent)
    : QComboBox(parent), m_resolver(std::move(resolver)) {}

void PortChooser::refreshDevices() {
    for (int i = 0; i < count(); ++i) {
        const QString device = m_resolver ? m_resolver(itemData(i).toInt()) : QString();
        setItemData(i, device.isEmpty() ? tr("No device attached") : device, Qt::ToolTipRole);
    }
}

void PortChooser::showPopup() {
    refreshDevices();
    QComboBox::showPopup();
}
