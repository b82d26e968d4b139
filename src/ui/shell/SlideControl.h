#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QSlider;

// A slide with a fractional value and an axis maximum: a channel slider the user moves, or a
// read-only progress bar. Its value-changed notification carries the slide's index and is
// raised for user moves and for values set from code alike, not when the value stays the same.
class SlideControl : public QWidget {
    Q_OBJECT
public:
    enum class Look { Slider, Progress };

    SlideControl(Look look, int index, const QString& caption, QWidget* parent = nullptr);

    int index() const { return m_index; }
    double value() const { return m_value; }
    void setValue(double value);
    double axisMinimum() const { return m_minimum; }
    double axisMaximum() const { return m_maximum; }
    void setAxisMinimum(double minimum);
    void setAxisMaximum(double maximum);

    // The movable part, for keyboard focus and tests that drive it as a user would.
    QSlider* slider() const { return m_slider; }

signals:
    void valueChanged(int index, double value);

private:
    void showValue();

    Look m_look;
    int m_index;
    double m_value = 0;
    double m_minimum = 0;
    double m_maximum = 10;
    QLabel* m_caption = nullptr;
    QSlider* m_slider = nullptr;
    QProgressBar* m_progress = nullptr;
};
