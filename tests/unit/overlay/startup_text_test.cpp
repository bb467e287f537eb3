#include <gtest/gtest.h>

#include "startup_text.h"

namespace {

TEST(StartupText, StartLineNamesBuildPidModeAndWeb) {
    EXPECT_EQ(startLine(4242, true, "C:\\g\\web"),
              "started, build 2026-10-12 v11 keyboard layout kept across alt-tab, pid 4242, mode "
              "child, web C:\\g\\web");
    EXPECT_EQ(startLine(4294967295ul, false, ""),
              "started, build 2026-10-12 v11 keyboard layout kept across alt-tab, pid 4294967295, "
              "mode owned, web ");
}

TEST(StartupText, ExitLineWithAndWithoutReason) {
    EXPECT_EQ(exitLine("no game window for 60 s"), "exit (no game window for 60 s)");
    EXPECT_EQ(exitLine(""),
              "exit (the message loop ended - WM_QUIT from elsewhere, no reason recorded)");
}

} // namespace
