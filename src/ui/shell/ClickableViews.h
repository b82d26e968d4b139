#pragma once

#include "link/PortMap.h"
#include "ui/shell/StepLineDelegate.h"

#include <QComboBox>
#include <QFileSystemWatcher>
#include <QLineEdit>
#include <QListView>
#include <QTimer>

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
// a playback tick may move the selection while the button is held. Its lines are drawn as the
// rows of a table (StepLineDelegate) that always fits the list's width. A plain drag keeps one
// line selected, the one under the pointer, since it moves a line; Shift and Ctrl extend.
class StepListView : public QListView {
    Q_OBJECT
    Q_PROPERTY(int shownStep READ shownStep WRITE setShownStep)
public:
    explicit StepListView(QWidget* parent = nullptr);

    // The step the sliders show (-1 for none), marked apart from the selected lines. The mark
    // stays with its line while lines move and goes when the line goes.
    int shownStep() const;
    void setShownStep(int row);

    StepLineDelegate* stepDelegate() const { return m_delegate; }
    QSize minimumSizeHint() const override;

signals:
    void mouseDown(Qt::MouseButton button, int row);
    void mouseUp(Qt::MouseButton button, int row);
    // Enter and Delete on the list: show the selected step, remove it.
    void showKey();
    void removeKey();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    StepLineDelegate* m_delegate = nullptr;
};

// The port chooser: each entry shows the device its port resolves to beside the port's name
// ("Comm1 — /dev/ttyUSB0 (FT232R USB UART, FTDI, A50285BI)"), or the link that pins it to a
// device that is not there, looked up again when the list opens and when devices come and go.
class PortChooser : public QComboBox {
    Q_OBJECT
public:
    // What to show for a device; by default its details from the system's list.
    using Describer = std::function<QString(const QString& device)>;

    explicit PortChooser(portmap::Lookup lookup, QWidget* parent = nullptr);

    void setDescriber(Describer describer) { m_describer = std::move(describer); }
    void refreshDevices();
    void showPopup() override;
    // "Comm3" for the entry at index, without what it resolves to.
    QString portName(int index) const;
    // What the entry at index leads to now, and how the chooser shows that.
    portmap::Resolution resolution(int index) const;
    QString describe(const portmap::Resolution& r) const;

    // Entry texts longer than this are shortened in the middle, so the window keeps its width.
    static constexpr int kMaxTextWidthPx = 560;

private:
    void watchDevices();

    portmap::Lookup m_lookup;
    Describer m_describer;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_settle = nullptr;
};
