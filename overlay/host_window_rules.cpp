#include "host_window_rules.h"

bool fitGeometryChanged(FitGeometry& previous, const FitGeometry& now) {
    bool changed = !(previous == now);
    previous = now;
    return changed;
}

bool fitOnTick(int displayMode, bool covered, bool sameAsLastFit) {
    if (displayMode == 2 || covered)
        return true;
    return displayMode == 1 && !sameAsLastFit;
}

std::wstring fileNamePart(const std::wstring& path) {
    size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

const char* destroyedSuffix(bool closeSeen, bool childMode) {
    if (closeSeen)
        return " after WM_CLOSE";
    return childMode ? " - with its parent, the game window" : "";
}
