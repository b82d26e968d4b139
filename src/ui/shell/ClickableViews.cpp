#include "ClickableViews.h"

#include <QMouseEvent>

void EchoBox::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    emit clicked();
}

void StepListView::mousePressEvent(QMouseEvent* event) {
    QListView::mousePressEvent(event);
    emit mouseDown(event->button());
}

void StepListView::mouseReleaseEvent(QMouseEvent* event) {
    QListView::mouseReleaseEvent(event);
    emit mouseUp(event->button());
}
