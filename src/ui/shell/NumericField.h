#pragma once

#include <QDoubleSpinBox>

#include <optional>

// A numeric field with up/down arrows and a unit text. What the user enters is held to the
// field's range; a value set from code is shown as set, so a step read back at 10 ms still
// shows 10 ms, unless the field keeps a hard floor (a count that must never drop below 1).
class NumericField : public QDoubleSpinBox {
    Q_OBJECT
public:
    struct Settings {
        double start;
        double minimum;
        double maximum;
        double increment;
        QString unit;
        bool hardFloor = false;
    };

    explicit NumericField(const Settings& settings, QWidget* parent = nullptr);

    double value() const { return QDoubleSpinBox::value(); }
    void setValue(double value);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    QString textFromValue(double value) const override;
    double valueFromText(const QString& text) const override;

private:
    void restoreRange();
    std::optional<double> read(const QString& text) const;

    Settings m_settings;
};
