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

// The step list: reports button down and up, after the view has moved its selection, with the
// row under the pointer (-1 for none). The row, not the selection, is where the pointer is:
// a playback tick may move the selection while the button is held.
class StepListView : public QListView {
    Q_OBJECT
public:
    using QListView::QListView;

signals:
    void mouseDown(Qt::MouseButton button, int row);
    void mouseUp(Qt::MouseButton button, int row);

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
