// The runtime-error box as the user meets it, whatever it says: titled 错误, the
// system's error icon, one OK button, owned by no window, and the program waiting
// until it is closed.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/child_process.h"

inline void ExpectTheReportBox(const observe::FatalReport& box) {
    ASSERT_TRUE(box.shown) << "no message box came up";
    EXPECT_EQ(box.title, "错误");
    EXPECT_EQ(box.icon, "error");
    EXPECT_EQ(box.buttons, std::vector<std::string>{std::to_string(IDOK) + " 确定"});
    EXPECT_EQ(box.owner, nullptr) << "a box of its own, owned by no window";
    EXPECT_TRUE(box.waitedForTheUser) << "the process must wait for the user";
}
