// The first steps of a session with the real setup.exe, as every test takes them.
#pragma once

#include "robot/Robot.h"

#include <gtest/gtest.h>

namespace setuptest {

// Answers the welcome question Yes and waits for the main window; an empty
// window (and a failure of the test) if either does not come.
inline robot::WindowInfo ReachMainWindow(const robot::Process& setup, DWORD timeoutMs)
{
    const auto welcome = robot::WaitForMessageBox(setup.Id(), timeoutMs);
    EXPECT_TRUE(welcome.has_value()) << "no welcome question";
    if (!welcome || !robot::Answer(*welcome, IDYES)) return {};
    const auto main = robot::WaitForWindow({.processId = setup.Id(), .className = "TMainForm"}, timeoutMs);
    EXPECT_TRUE(main.has_value()) << "the main window did not show";
    return main.value_or(robot::WindowInfo{});
}

} // namespace setuptest
