#include "borderless.h"

void gameWindowCommand(const std::string&) {}
