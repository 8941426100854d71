// A small window of the tests' own: an edit box, two bound buttons, an unbound button
// and a label. Every bound event calls `OnTestEvent` with its name, so that each test
// program decides what its handlers do.
#pragma once

#include <cstdint>
#include <span>

#include "host/description.h"

namespace testlayout {

inline constexpr std::uint32_t kWindowId = 0x52020001;
inline constexpr std::uint32_t kWindowUnit = 0x06020000;
inline constexpr std::uint32_t kEditId = 0x16020001;
inline constexpr std::uint32_t kButtonId = 0x16020002;
inline constexpr std::uint32_t kSecondButtonId = 0x16020003;
inline constexpr std::uint32_t kUnboundButtonId = 0x16020004;
inline constexpr std::uint32_t kLabelId = 0x16020005;
inline constexpr int kControlCount = 5;

// Names: created, moved, resized, destroying, close-request, close-query, shown, idle,
// change, click, click-2, button-focus.
extern HandlerResult (*OnTestEvent)(const char* name, std::span<const std::uint32_t> arguments);

extern const ProgramDescription kProgram;
// The same window twice, as windows kWindowId and kSecondWindowId.
inline constexpr std::uint32_t kSecondWindowId = 0x52020002;
extern const ProgramDescription kTwoWindowProgram;
// A program whose start window is not in its list.
extern const ProgramDescription kProgramWithoutStartWindow;
// A program whose description cannot be read (two units with one id).
extern const ProgramDescription kProgramWithBadDescription;

} // namespace testlayout
