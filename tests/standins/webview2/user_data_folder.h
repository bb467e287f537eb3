#pragma once
// The user data folder, checked as the runtime checks it when an environment is created, and
// shared as the runtime shares it: the programs running on one folder share one browser
// process, so they must all ask for the same environment options.
#include <windows.h>

#include <string>

// The folder the runtime uses: the given one, a relative path taken from the program's
// folder, or "<program file>.WebView2" beside the program when none is given; created when
// missing. S_OK, or the failure the creating call returns: E_ACCESSDENIED when the folder
// cannot be created or written, HRESULT_FROM_WIN32(ERROR_FILE_EXISTS) when a file has its name.
HRESULT prepareUserDataFolder(const wchar_t* given, std::wstring& folder);

// Joins the programs running on folder with these options (one text naming them all): S_OK,
// or HRESULT_FROM_WIN32(ERROR_INVALID_STATE) when they run with other options, which the
// runtime reports when the environment's first web view is created.
HRESULT joinUserDataFolder(const std::wstring& folder, const std::string& options);

// This program's browser process is gone: the folders it joined are free of it.
void leaveUserDataFolders();
