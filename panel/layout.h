// The main window: its description and the 49 controls on it, in table order.
// Tested by tests/main_window_test.cpp (the controls by kind),
// tests/main_window_keyboard_test.cpp (the Tab walk), tests/accessibility_test.cpp (the
// frames' captions) and tests/dpi_test.cpp.
#pragma once

#include <cstdint>

#include "host/description.h"

inline constexpr std::uint32_t kMainWindowId = 0x52010001;
inline constexpr std::uint32_t kMainWindowUnit = 0x06010000;
inline constexpr std::uint32_t kDirectoryBoxId = 0x160100DA;
inline constexpr std::size_t kControlCount = 49;

// Unit 0 is the window, units 1 to 49 its controls.
extern const WindowDescription kMainWindow;
extern const ProgramDescription kPanelProgram;
