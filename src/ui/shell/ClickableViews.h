#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QListView>

#include <functional>

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

// The port chooser: each entry's tooltip names the device the port resolves to, looked up
// again whenever the list opens, since devices come and go.
class PortChooser : public QComboBox {
    Q_OBJECT
public:
    using Resolver = std::function<QString(int port)>;

    explicit PortChooser(Resolver resolver, QWidget* parent = nullptr);

    void refreshDevices();
    void showPopup() override;

private:
    Resolver m_resolver;
};
