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

    // A slider's second caption, the user's name for the channel, elided to the column.
    // lineShown keeps an empty line too, so sliders beside a named one stay level with it.
    void setName(const QString& name, bool lineShown);
    QString name() const { return m_name; }
    QString shownName() const;

signals:
    void valueChanged(int index, double value);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showValue();
    void showName();
    void showFocus(bool focused);

    Look m_look;
    int m_index;
    double m_value = 0;
    double m_minimum = 0;
    double m_maximum = 10;
    QLabel* m_caption = nullptr;
    QLabel* m_nameLabel = nullptr;
    QString m_name;
    QSlider* m_slider = nullptr;
    QProgressBar* m_progress = nullptr;
};
