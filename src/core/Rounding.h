#pragma once

#include <QtGlobal>

#include <cmath>
#include <limits>

// Every number-to-integer conversion of the panel rounds to nearest with halves to the even
// neighbour (2.5 -> 2, 3.5 -> 4). Out-of-range values saturate instead of being undefined.
namespace rounding {

template <typename Int> Int roundHalfEven(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double r = std::nearbyint(value); // default FE_TONEAREST is half-to-even
    if (r <= static_cast<double>(std::numeric_limits<Int>::min())) {
        return std::numeric_limits<Int>::min();
    }
    if (r >= static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::numeric_limits<Int>::max();
    }
    return static_cast<Int>(r);
}

inline qint32 toInt32(double value) { return roundHalfEven<qint32>(value); }
inline qint16 toInt16(double value) { return roundHalfEven<qint16>(value); }

} // namespace rounding
