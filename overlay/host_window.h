#pragma once
#include <windows.h>

#include <string>

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Fits the host window and the page bounds to the game's client area.
void fit_to_game();

// Ends the message loop; the first reason recorded is the one the exit line reports.
void requestExit(const std::string& reason);
