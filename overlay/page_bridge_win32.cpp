#include "page_bridge.h"

void requestShow(const std::wstring&) {}
