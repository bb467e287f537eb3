#pragma once
#include "request.h"

// Keyboard layouts of the game's thread, and whether the game accepts requests to change them.
void loadLayout(Request& r);
void activateLayout(Request& r);
void layouts(Request& r);
void threadLayout(Request& r);
void honour(Request& r);
