#include "NumericField.h"

#include "core/NumberText.h"

#include <QLineEdit>

NumericField::NumericField(const Settings& settings, QWidget* parent)
    : QDoubleSpinBox(parent), m_settings(settings) {
    setDecimals(6);
    setKeyboardTracking(false); // one notification per committed entry, not per keystroke
    setSingleStep(settings.increment);
    setSuffix(settings.unit);
    setAccelerated(true);
    restoreRange();
    QDoubleSpinBox::setValue(settings.start);
}

void NumericField::restoreRange() { setRange(m_settings.minimum, m_settings.maximum); }

void NumericField::setValue(double value) {
    if (m_settings.hardFloor && value < m_settings.minimum) {
        value = m_settings.minimum;
    }
    // Widen the range so the value is shown as set; the user's own entries are still held
    // to the range by validate() and stepBy().
    setRange(qMin(value, m_settings.minimum), qMax(value, m_settings.maximum));
    QDoubleSpinBox::setValue(value);
}

void NumericField::stepBy(int steps) {
    const double stepped = qBound(m_settings.minimum, value() + steps * m_settings.increment,
                                  m_settings.maximum);
    restoreRange();
    QDoubleSpinBox::setValue(stepped);
    selectAll();
}

QValidator::State NumericField::validate(QString& input, int& pos) const {
    const QValidator::State state = QDoubleSpinBox::validate(input, pos);
    if (state != QValidator::Acceptable) {
        return state;
    }
    const double v = valueFromText(input);
    if (v < m_settings.minimum || v > m_settings.maximum) {
        return QValidator::Intermediate;
    }
    return state;
}

void NumericField::fixup(QString& input) const {
    QString body = input;
    if (!suffix().isEmpty() && body.endsWith(suffix())) {
        body.chop(suffix().size());
    }
    const auto v = numbertext::parse(body, locale());
    const double clamped =
        qBound(m_settings.minimum, v.value_or(m_settings.minimum), m_settings.maximum);
    input = textFromValue(clamped) + suffix();
}

QString NumericField::textFromValue(double value) const {
    return QString::number(value, 'g', 15).replace(QLatin1Char('.'), locale().decimalPoint());
}

double NumericField::valueFromText(const QString& text) const {
    QString body = text;
    if (!suffix().isEmpty() && body.endsWith(suffix())) {
        body.chop(suffix().size());
    }
    return numbertext::parse(body, locale()).value_or(m_settings.minimum);
}
