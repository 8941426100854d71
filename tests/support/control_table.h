// The main window's 49 controls as designed, in table order, written out here from the
// design and never read from the program's layout table (panel/layout.cpp): unit name,
// kind, place and size in client pixels at 96 DPI, text, and font; and the colours the
// boxes and the label paint in. The checks of the window as laid out (laid_out.h) and
// as painted (painted.h) take their expected values from here, so that a slip in the
// program's table fails them instead of moving their expectation with it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <iterator>
#include <string_view>

#include "tests/support/button_table.h"

namespace controls {

enum class Kind { EditBox, Button, Label };

// A stored font (its face and its height at 96 DPI), or none: the default GUI font.
struct Font {
    const char* face;
    int height;
};
inline constexpr Font kDefaultFont{nullptr, 0};
inline constexpr Font kSongTi12{"宋体", -12};

struct Control {
    const char* unit;
    Kind kind;
    int left, top, width, height;
    const char* text;
    Font font;
};

inline constexpr Control kControls[] = {
    // unit       kind           left top  w    h    text, font
    {"编辑框目录", Kind::EditBox, 40, 64, 136, 24, "D:\\mirserver", kDefaultFont},
    {"按钮浏览", Kind::Button, 180, 63, 69, 28, "浏览(B)...\r\n", kDefaultFont},
    {"编辑框1", Kind::EditBox, 24, 464, 664, 16,
     "常用命令：random small large equal mov inc dec mul div (加减乘除)\r\n checkrenewlevel(转生)  "
     "CHECKLEVELEX （等级）",
     kDefaultFont},
    {"按钮39", Kind::Button, 632, 344, 80, 32, "护身物品概率", kDefaultFont},
    {"按钮38", Kind::Button, 546, 344, 80, 32, "日志记录", kDefaultFont},
    {"按钮37", Kind::Button, 461, 344, 80, 32, "屏蔽文件禁@", kDefaultFont},
    {"按钮27", Kind::Button, 376, 344, 80, 32, "极品备注", kDefaultFont},
    {"按钮45", Kind::Button, 376, 158, 80, 32, "自定义技能", kDefaultFont},
    {"按钮40", Kind::Button, 120, 264, 80, 32, "物品限制", kDefaultFont},
    {"按钮41", Kind::Button, 291, 344, 80, 32, "武器吸血", kDefaultFont},
    {"按钮42", Kind::Button, 206, 344, 80, 32, "屏蔽字符", kDefaultFont},
    {"按钮43", Kind::Button, 119, 344, 80, 32, "自定义命令", kDefaultFont},
    {"按钮44", Kind::Button, 34, 344, 80, 32, "套装备注", kDefaultFont},
    {"按钮29", Kind::Button, 631, 304, 80, 32, "复活物品概率", kDefaultFont},
    {"按钮30", Kind::Button, 546, 304, 80, 32, "麻痹物品概率", kDefaultFont},
    {"按钮31", Kind::Button, 461, 304, 80, 32, "怪物属性扩展", kDefaultFont},
    {"按钮32", Kind::Button, 376, 304, 80, 32, "物品规则", kDefaultFont},
    {"按钮33", Kind::Button, 291, 304, 80, 32, "套装属性", kDefaultFont},
    {"按钮34", Kind::Button, 206, 304, 80, 32, "特效编号", kDefaultFont},
    {"按钮35", Kind::Button, 119, 304, 80, 32, "特效对应", kDefaultFont},
    {"按钮36", Kind::Button, 34, 304, 80, 32, "假人文本", kDefaultFont},
    {"按钮21", Kind::Button, 631, 264, 80, 32, "WIL资源", kDefaultFont},
    {"按钮22", Kind::Button, 546, 264, 80, 32, "物品备注", kDefaultFont},
    {"按钮23", Kind::Button, 461, 264, 80, 32, "GM设置", kDefaultFont},
    {"按钮24", Kind::Button, 376, 264, 80, 32, "怪物说话", kDefaultFont},
    {"按钮25", Kind::Button, 291, 264, 80, 32, "药品解包", kDefaultFont},
    {"按钮26", Kind::Button, 206, 264, 80, 32, "地图事件", kDefaultFont},
    {"按钮28", Kind::Button, 34, 264, 80, 32, "刷怪配置", kDefaultFont},
    {"按钮20", Kind::Button, 631, 224, 80, 32, "商城配置", kDefaultFont},
    {"按钮19", Kind::Button, 546, 224, 80, 32, "M2文件", kDefaultFont},
    {"按钮18", Kind::Button, 461, 224, 80, 32, "小地图配置", kDefaultFont},
    {"按钮17", Kind::Button, 376, 224, 80, 32, "安全区配置", kDefaultFont},
    {"按钮16", Kind::Button, 291, 224, 80, 32, "QM文件", kDefaultFont},
    {"按钮15", Kind::Button, 206, 224, 80, 32, "QF文件", kDefaultFont},
    {"按钮14", Kind::Button, 119, 224, 80, 32, "NPC配置", kDefaultFont},
    {"按钮13", Kind::Button, 34, 224, 80, 32, "地图配置", kDefaultFont},
    {"按钮12", Kind::Button, 291, 158, 80, 32, "国王类NPC", kDefaultFont},
    {"按钮11", Kind::Button, 206, 158, 80, 32, "NPC顶戴", kDefaultFont},
    {"按钮10", Kind::Button, 119, 158, 80, 32, "自定义怪物", kDefaultFont},
    {"按钮9", Kind::Button, 34, 158, 80, 32, "个人商店", kDefaultFont},
    {"按钮8", Kind::Button, 631, 118, 80, 32, "沙城配置", kDefaultFont},
    {"按钮7", Kind::Button, 461, 118, 80, 32, "人形怪", kDefaultFont},
    {"按钮6", Kind::Button, 546, 118, 80, 32, "爆率文件", kDefaultFont},
    {"按钮5", Kind::Button, 376, 118, 80, 32, "游戏公告", kDefaultFont},
    {"按钮4", Kind::Button, 291, 118, 80, 32, "国家配置", kDefaultFont},
    {"按钮3", Kind::Button, 206, 118, 80, 32, "机器人配置", kDefaultFont},
    {"标签1", Kind::Label, 269, 61, 242, 32, "请先设置目录，若不设置默认D:\\mirserver", kDefaultFont},
    {"按钮2", Kind::Button, 119, 118, 80, 32, "NPC文件", kDefaultFont},
    {"按钮1", Kind::Button, 34, 118, 80, 32, "QuestDiary", kSongTi12},
};
static_assert(std::size(kControls) == 49);

// Black on white in both boxes; orange on dark brown in the label, whose one line is
// drawn from its left edge, centred from top to bottom.
inline constexpr COLORREF kBoxText = RGB(0, 0, 0);
inline constexpr COLORREF kBoxBackground = RGB(255, 255, 255);
inline constexpr COLORREF kLabelText = RGB(255, 128, 0);
inline constexpr COLORREF kLabelBackground = RGB(66, 62, 51);
inline constexpr UINT kLabelDrawing = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP;

// The design draws the buttons a second time, as they stand on the screen: rows from
// the top, columns from the left, every button 80 x 32, and two of them (按钮40 and
// 按钮39) a pixel right of their column. Written out here as well, so that a slip in
// either writing stops the build.
inline constexpr int kColumns[] = {34, 119, 206, 291, 376, 461, 546, 631};
struct Row {
    int top;
    const char* units[std::size(kColumns)];
};
inline constexpr Row kArrangement[] = {
    {118, {"按钮1", "按钮2", "按钮3", "按钮4", "按钮5", "按钮7", "按钮6", "按钮8"}},
    {158, {"按钮9", "按钮10", "按钮11", "按钮12", "按钮45", nullptr, nullptr, nullptr}},
    {224, {"按钮13", "按钮14", "按钮15", "按钮16", "按钮17", "按钮18", "按钮19", "按钮20"}},
    {264, {"按钮28", "按钮40", "按钮26", "按钮25", "按钮24", "按钮23", "按钮22", "按钮21"}},
    {304, {"按钮36", "按钮35", "按钮34", "按钮33", "按钮32", "按钮31", "按钮30", "按钮29"}},
    {344, {"按钮44", "按钮43", "按钮42", "按钮41", "按钮27", "按钮37", "按钮38", "按钮39"}},
};

constexpr const Control* Find(std::string_view unit) {
    for (const Control& control : kControls) {
        if (unit == control.unit) return &control;
    }
    return nullptr;
}

// Every unit name is one control's; every place of the arrangement is its button's in
// the table; the 45 buttons of the actions' table are those places, with the same
// captions; and the controls are 46 buttons, two boxes and a label.
constexpr bool TheTwoWritingsAgree() {
    for (const Control& control : kControls) {
        if (Find(control.unit) != &control) return false;
    }
    std::size_t placed = 0;
    for (const Row& row : kArrangement) {
        for (std::size_t column = 0; column < std::size(kColumns); ++column) {
            if (!row.units[column]) continue;
            const Control* button = Find(row.units[column]);
            std::string_view unit = row.units[column];
            int left = kColumns[column] + (unit == "按钮40" || unit == "按钮39" ? 1 : 0);
            if (!button || button->kind != Kind::Button || button->left != left || button->top != row.top ||
                button->width != 80 || button->height != 32)
                return false;
            ++placed;
        }
    }
    for (const buttons::Button& action : buttons::kButtons) {
        const Control* button = Find(action.unit);
        if (!button || std::string_view(button->text) != action.caption) return false;
        bool arranged = false;
        for (const Row& row : kArrangement) {
            for (const char* unit : row.units)
                arranged = arranged || (unit && std::string_view(unit) == action.unit);
        }
        if (!arranged) return false;
    }
    std::size_t boxes = 0, buttonCount = 0, labels = 0;
    for (const Control& control : kControls) {
        (control.kind == Kind::EditBox ? boxes : control.kind == Kind::Button ? buttonCount : labels) += 1;
    }
    return placed == std::size(buttons::kButtons) && boxes == 2 && buttonCount == 46 && labels == 1;
}
static_assert(TheTwoWritingsAgree(), "the control table, the arrangement and the actions' buttons differ");

} // namespace controls
