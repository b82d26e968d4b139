#pragma once

#include <QAbstractButton>

// A two-state switch with its caption. Its value-changed notification is raised for the
// user's toggles and for values set from code, unless the code asks for silence (a switch
// that refuses to turn on sets itself back quietly, so its refusal is not handled twice).
class SwitchControl : public QAbstractButton {
    Q_OBJECT
public:
    explicit SwitchControl(const QString& caption, QWidget* parent = nullptr);

    bool value() const { return isChecked(); }
    void setValue(bool on);
    void setValueSilently(bool on);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void valueChanged(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_silent = false;
};
