#include "NumberText.h"

#include <cmath>

namespace numbertext {

QString halfSteps(double value, const QLocale& locale) {
    // 'g' with enough digits gives the shortest exact form of halves; only the separator
    // is localised, so grouping never creeps in.
    QString text = QString::number(value, 'g', 17);
    if (text == QLatin1String("-0")) {
        text = QStringLiteral("0");
    }
    return text.replace(QLatin1Char('.'), locale.decimalPoint());
}

QString degreeText(int position, const QLocale& locale) {
    // In double: position - 128 would overflow an int near its minimum.
    return halfSteps((static_cast<double>(position) - 128.0) / 2.0, locale);
}

QString degreeReadout(int position, const QLocale& locale) {
    return degreeText(position, locale) + kDegreeSuffix;
}

std::optional<double> parse(const QString& text, const QLocale& locale) {
    QString t = text.trimmed();
    if (t.isEmpty()) {
        return std::nullopt;
    }
    const QString point = locale.decimalPoint();
    if (point != QLatin1String(".")) {
        if (t.contains(QLatin1Char('.'))) {
            return std::nullopt;
        }
        t.replace(point, QStringLiteral("."));
    }
    // The C locale takes "1,000" as a thousand unless told not to.
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(t, &ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace numbertext
