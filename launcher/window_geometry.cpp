#include "window_geometry.h"

#include <algorithm>

int mulDiv(int number, int numerator, int denominator) {
    if (denominator == 0)
        return -1;
    long long a = number;
    long long b = numerator;
    long long c = denominator;
    if (c < 0) {
        a = -a;
        c = -c;
    }
    long long product = a * b;
    long long result = product >= 0 ? (product + c / 2) / c : (product - c / 2) / c;
    if (result > 2147483647LL || result < -2147483647LL)
        return -1;
    return static_cast<int>(result);
}

WindowBox clientSizeForDpi(int dpi) {
    WindowBox box;
    box.width = mulDiv(1280, dpi, 96);
    box.height = mulDiv(720, dpi, 96);
    return box;
}

WindowBox placeWindow(int outerWidth, int outerHeight, const WorkArea& work) {
    int workWidth = work.right - work.left;
    int workHeight = work.bottom - work.top;
    WindowBox box;
    box.width = outerWidth;
    box.height = outerHeight;
    if ((outerWidth > workWidth || outerHeight > workHeight) && outerWidth > 0 && outerHeight > 0) {
        double scale = std::min(static_cast<double>(workHeight) / outerHeight,
                                static_cast<double>(workWidth) / outerWidth) *
                       0.95;
        box.width = static_cast<int>(outerWidth * scale);
        box.height = static_cast<int>(outerHeight * scale);
    }
    box.x = work.left + (workWidth - box.width) / 2;
    box.y = work.top + (workHeight - box.height) / 2;
    return box;
}

WindowBox minimumTrackSize(int windowDpi) {
    int dpi = windowDpi == 0 ? 96 : windowDpi;
    WindowBox box;
    box.width = mulDiv(980, dpi, 96);
    box.height = mulDiv(600, dpi, 96);
    return box;
}
