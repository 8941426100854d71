// The panel's main window on the harness's desktop, as every test that looks at it
// expects it: 740 x 521 with its frame, centred on the 1024 x 768 screen of each
// session slot, so at (1024 - 740) / 2 = 142 and (768 - 521) / 2 = 123.
#pragma once

namespace panelgeometry {

inline constexpr int kScreenWidth = 1024;
inline constexpr int kScreenHeight = 768;
inline constexpr int kWindowWidth = 740;
inline constexpr int kWindowHeight = 521;
inline constexpr int kWindowLeft = (kScreenWidth - kWindowWidth) / 2;
inline constexpr int kWindowTop = (kScreenHeight - kWindowHeight) / 2;
static_assert(kWindowLeft == 142 && kWindowTop == 123);

} // namespace panelgeometry
