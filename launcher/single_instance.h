#pragma once
#include <windows.h>

// Holds the launcher's named mutex for the whole run.
struct InstanceClaim {
    HANDLE mutex = nullptr;
    bool anotherRuns = false; // and this start is not allowed beside it
};

// Outside sandbox mode a second start only brings the running launcher's window forward
// (restored, in front) and must then leave without touching anything.
InstanceClaim claimSingleInstance(bool sandbox);
