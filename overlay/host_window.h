#pragma once
#include <windows.h>

#include <string>

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The first visible top-level window of the game's class and title, or none.
HWND findGameWindow();

// Fits the host window and the page bounds to the game's client area.
void fit_to_game();

// While the cover is up and the game window is known: fit, show without activating, and
// cover the whole client area.
void showCoverOverGame();

// The file name of a process's executable in UTF-8, or "?".
std::string processImageName(DWORD processId);

// Ends the message loop; the first reason recorded is the one the exit line reports.
void requestExit(const std::string& reason);
