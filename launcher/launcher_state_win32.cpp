#include "launcher_state.h"

LauncherState state;
