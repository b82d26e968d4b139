#include "NumericField.h"

#include "core/NumberText.h"

#include <QLineEdit>

#include <cmath>

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
    const std::optional<double> v = read(input);
    if (!v || *v < m_settings.minimum || *v > m_settings.maximum) {
        return QValidator::Intermediate;
    }
    return state;
}

// Text that is not a number goes back to the value the field holds, never to its floor: a
// field that silently became 20 ms would put 20 ms into every later step.
void NumericField::fixup(QString& input) const {
    const std::optional<double> v = read(input);
    const double shown = v ? qBound(m_settings.minimum, *v, m_settings.maximum) : value();
    input = textFromValue(shown) + suffix();
}

QString NumericField::textFromValue(double value) const {
    return QString::number(value, 'g', 15).replace(QLatin1Char('.'), locale().decimalPoint());
}

double NumericField::valueFromText(const QString& text) const {
    return read(text).value_or(value());
}

// The user's number format, digit grouping included ("1,000" where the comma groups).
std::optional<double> NumericField::read(const QString& text) const {
    QString body = text.trimmed();
    if (!suffix().isEmpty() && body.endsWith(suffix().trimmed())) {
        body.chop(suffix().trimmed().size());
    }
    body = body.trimmed();
    if (const std::optional<double> plain = numbertext::parse(body, locale())) {
        return plain;
    }
    QLocale grouped = locale();
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::RejectGroupSeparator);
    bool ok = false;
    const double v = grouped.toDouble(body, &ok);
    if (!ok || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}
