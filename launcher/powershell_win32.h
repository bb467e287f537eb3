#pragma once
#include <string>

#include "powershell_command.h"

// Windows PowerShell under this system's own system folder.
std::wstring powershellPath();

// The script and folders settled at start-up.
ScriptLocations scriptLocations();
