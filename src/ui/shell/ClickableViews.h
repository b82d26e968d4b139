#pragma once

#include <QLineEdit>
#include <QListView>

// A read-only text box that reports a click, for the debug echo box.
class EchoBox : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// The step list: reports button down and up after the view has moved its selection, so a
// handler sees the line under the pointer as the selected one.
class StepListView : public QListView {
    Q_OBJECT
public:
    using QListView::QListView;

signals:
    void mouseDown(Qt::MouseButton button);
    void mouseUp(Qt::MouseButton button);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
