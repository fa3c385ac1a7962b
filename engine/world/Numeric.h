#pragma once

#include <climits>
#include <cmath>

// Truncation toward zero into an int, as the pipeline's screen and colour values need it.
// Values beyond the int range saturate and NaN gives 0, so a wild coordinate can never make
// the conversion undefined.
inline int TruncToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(v);
}
