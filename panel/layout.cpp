#include "panel/layout.h"

#include <array>
#include <string_view>

#include "host/text.h"
#include "panel/action_table.h"
#include "panel/actions.h"
#include "panel/title.h"

namespace {

// What the picture (resources/background.jpg) shows besides its dots and border, in
// client pixels at 96 DPI: its four group frames with their captions, and its line of
// text. A screen reader reads them, and high contrast draws them instead of the picture.
constexpr PictureFrame kPictureFrames[] = {
    // frame: left top width height  caption: left top width height  caption
    {16, 47, 702, 51, 26, 39, 62, 16, "软件说明"},
    {16, 111, 702, 83, 26, 103, 62, 16, "常用文件"},
    {16, 210, 702, 182, 26, 202, 62, 16, "常用文本"},
    {16, 406, 702, 33, 0, 0, 0, 0, nullptr},
};
constexpr PictureText kNotice{
    24, 410, 686, 24,
    "提示：文件按钮用记事本打开 D:\\MirServer 下的配置文件，文件夹按钮按上方目录打开资源管理器。"};

constexpr WindowProperties kWindowStyle{
    .border = WindowBorder::FixedSunken,
    .controlBox = true,
    .minimizeBox = true,
    .maximizeBox = false,
    .position = StartPosition::Centred,
    .showInTaskbar = true,
    .escapeCloses = true,
    .enterMovesFocus = false,
    .background = kButtonFaceColour,
    .picture = "BACKGROUND",
    .pictureMode = PictureMode::Tiled,
    .icon = "WINDOWICON",
    .frames = kPictureFrames,
    .notice = kNotice,
};

constexpr EditBoxProperties kSunkenBox{.border = ControlBorder::Sunken};
constexpr EditBoxProperties kSingleLineBox{.border = ControlBorder::SingleLine};
constexpr ButtonProperties kButton{};
// 宋体, 12 pixels, normal weight; the four device fields are replaced when it is made.
constexpr LOGFONTA kSongTi12{-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                             0,   0, 0, 0, "宋体"};
constexpr ButtonProperties kSongTiButton{.font = &kSongTi12};
// Orange on dark brown, as the layout has always had it: 4.2 : 1, below the 4.5 : 1
// that text should have; high contrast (host/high_contrast.cpp) is the way to more.
constexpr LabelProperties kHintLabel{
    .textColour = RGB(255, 128, 0),
    .background = RGB(66, 62, 51),
    .horizontal = HorizontalAlign::Left,
    .vertical = VerticalAlign::Centre,
};

constexpr EventBinding kWindowEvents[] = {On(kEventCreated, FillDefaultDirectory)};
constexpr EventBinding kBrowseClick[] = {On(kEventClick, BrowseForRoot)};
constexpr EventBinding kActionClick[] = {On(kEventClick, RunButtonAction)};
constexpr std::span<const EventBinding> kNone;

enum : bool { kNoTab = false, kTab = true };

constexpr char kDirectoryHint[] = "请先设置目录，若不设置默认D:\\mirserver";

// The directory box is described by the hint beside it.
char* SayTheDirectoryHint(const UnitDescription&) {
    return CopyText(kDirectoryHint);
}

// What a screen reader is told of the controls whose captions do not say it: a name
// for each box, and what the browse button, the box and each of the 45 file and folder
// buttons (every unit bound to RunButtonAction) are for.
struct SpokenRow {
    const char* unit;
    const char* name;
    char* (*describe)(const UnitDescription& unit);
};
constexpr SpokenRow kSpoken[] = {
    // unit          name           description
    {"编辑框目录", "服务端目录", SayTheDirectoryHint},
    {"按钮浏览", nullptr, DescribeBrowseForRoot},
    {"编辑框1", "常用命令", nullptr},
};

struct ControlRow {
    const char* name;
    std::uint32_t id;
    std::uint32_t kind;
    int left, top, width, height;
    const char* text;
    const void* style;
    bool tabStop;
    std::span<const EventBinding> bindings;
};

// Table order fixes creation (last first), stacking, Tab order (Tab walks the table from
// the last row to the first) and the first focus.
constexpr ControlRow kControls[] = {
    // name         id          kind          left top  w    h    text                style        tab bound
    {"编辑框目录", 0x160100DA, kTypeEditBox, 40, 64, 136, 24, kDefaultRoot, &kSunkenBox, kTab, kNone},
    {"按钮浏览", 0x160100D8, kTypeButton, 180, 63, 69, 28, "浏览(B)...\r\n", &kButton, kTab, kBrowseClick},
    {"编辑框1", 0x16010098, kTypeEditBox, 24, 464, 664, 16,
     "常用命令：random small large equal mov inc dec mul div (加减乘除)\r\n checkrenewlevel(转生)  "
     "CHECKLEVELEX （等级）",
     &kSingleLineBox, kTab, kNone},
    {"按钮39", 0x1601008C, kTypeButton, 632, 344, 80, 32, "护身物品概率", &kButton, kTab, kActionClick},
    {"按钮38", 0x1601008A, kTypeButton, 546, 344, 80, 32, "日志记录", &kButton, kTab, kActionClick},
    {"按钮37", 0x16010088, kTypeButton, 461, 344, 80, 32, "屏蔽文件禁@", &kButton, kTab, kActionClick},
    {"按钮27", 0x1601007B, kTypeButton, 376, 344, 80, 32, "极品备注", &kButton, kTab, kActionClick},
    {"按钮45", 0x1601005C, kTypeButton, 376, 158, 80, 32, "自定义技能", &kButton, kTab, kActionClick},
    {"按钮40", 0x16010057, kTypeButton, 120, 264, 80, 32, "物品限制", &kButton, kTab, kActionClick},
    {"按钮41", 0x16010058, kTypeButton, 291, 344, 80, 32, "武器吸血", &kButton, kTab, kActionClick},
    {"按钮42", 0x16010059, kTypeButton, 206, 344, 80, 32, "屏蔽字符", &kButton, kTab, kActionClick},
    {"按钮43", 0x1601005A, kTypeButton, 119, 344, 80, 32, "自定义命令", &kButton, kTab, kActionClick},
    {"按钮44", 0x1601005B, kTypeButton, 34, 344, 80, 32, "套装备注", &kButton, kTab, kActionClick},
    {"按钮29", 0x1601004B, kTypeButton, 631, 304, 80, 32, "复活物品概率", &kButton, kTab, kActionClick},
    {"按钮30", 0x1601004C, kTypeButton, 546, 304, 80, 32, "麻痹物品概率", &kButton, kTab, kActionClick},
    {"按钮31", 0x1601004D, kTypeButton, 461, 304, 80, 32, "怪物属性扩展", &kButton, kTab, kActionClick},
    {"按钮32", 0x1601004E, kTypeButton, 376, 304, 80, 32, "物品规则", &kButton, kTab, kActionClick},
    {"按钮33", 0x1601004F, kTypeButton, 291, 304, 80, 32, "套装属性", &kButton, kTab, kActionClick},
    {"按钮34", 0x16010050, kTypeButton, 206, 304, 80, 32, "特效编号", &kButton, kTab, kActionClick},
    {"按钮35", 0x16010051, kTypeButton, 119, 304, 80, 32, "特效对应", &kButton, kTab, kActionClick},
    {"按钮36", 0x16010052, kTypeButton, 34, 304, 80, 32, "假人文本", &kButton, kTab, kActionClick},
    {"按钮21", 0x16010043, kTypeButton, 631, 264, 80, 32, "WIL资源", &kButton, kTab, kActionClick},
    {"按钮22", 0x16010044, kTypeButton, 546, 264, 80, 32, "物品备注", &kButton, kTab, kActionClick},
    {"按钮23", 0x16010045, kTypeButton, 461, 264, 80, 32, "GM设置", &kButton, kTab, kActionClick},
    {"按钮24", 0x16010046, kTypeButton, 376, 264, 80, 32, "怪物说话", &kButton, kTab, kActionClick},
    {"按钮25", 0x16010047, kTypeButton, 291, 264, 80, 32, "药品解包", &kButton, kTab, kActionClick},
    {"按钮26", 0x16010048, kTypeButton, 206, 264, 80, 32, "地图事件", &kButton, kTab, kActionClick},
    {"按钮28", 0x1601004A, kTypeButton, 34, 264, 80, 32, "刷怪配置", &kButton, kTab, kActionClick},
    {"按钮20", 0x16010042, kTypeButton, 631, 224, 80, 32, "商城配置", &kButton, kTab, kActionClick},
    {"按钮19", 0x16010041, kTypeButton, 546, 224, 80, 32, "M2文件", &kButton, kTab, kActionClick},
    {"按钮18", 0x16010040, kTypeButton, 461, 224, 80, 32, "小地图配置", &kButton, kTab, kActionClick},
    {"按钮17", 0x1601003F, kTypeButton, 376, 224, 80, 32, "安全区配置", &kButton, kTab, kActionClick},
    {"按钮16", 0x1601003E, kTypeButton, 291, 224, 80, 32, "QM文件", &kButton, kTab, kActionClick},
    {"按钮15", 0x1601003D, kTypeButton, 206, 224, 80, 32, "QF文件", &kButton, kTab, kActionClick},
    {"按钮14", 0x1601003C, kTypeButton, 119, 224, 80, 32, "NPC配置", &kButton, kTab, kActionClick},
    {"按钮13", 0x1601003B, kTypeButton, 34, 224, 80, 32, "地图配置", &kButton, kTab, kActionClick},
    {"按钮12", 0x1601002F, kTypeButton, 291, 158, 80, 32, "国王类NPC", &kButton, kTab, kActionClick},
    {"按钮11", 0x1601002E, kTypeButton, 206, 158, 80, 32, "NPC顶戴", &kButton, kTab, kActionClick},
    {"按钮10", 0x1601002D, kTypeButton, 119, 158, 80, 32, "自定义怪物", &kButton, kTab, kActionClick},
    {"按钮9", 0x1601002C, kTypeButton, 34, 158, 80, 32, "个人商店", &kButton, kTab, kActionClick},
    {"按钮8", 0x1601002B, kTypeButton, 631, 118, 80, 32, "沙城配置", &kButton, kTab, kActionClick},
    {"按钮7", 0x1601002A, kTypeButton, 461, 118, 80, 32, "人形怪", &kButton, kTab, kActionClick},
    {"按钮6", 0x16010029, kTypeButton, 546, 118, 80, 32, "爆率文件", &kButton, kTab, kActionClick},
    {"按钮5", 0x16010028, kTypeButton, 376, 118, 80, 32, "游戏公告", &kButton, kTab, kActionClick},
    {"按钮4", 0x16010027, kTypeButton, 291, 118, 80, 32, "国家配置", &kButton, kTab, kActionClick},
    {"按钮3", 0x16010026, kTypeButton, 206, 118, 80, 32, "机器人配置", &kButton, kTab, kActionClick},
    {"标签1", 0x16010025, kTypeLabel, 269, 61, 242, 32, kDirectoryHint, &kHintLabel, kNoTab, kNone},
    {"按钮2", 0x1601000C, kTypeButton, 119, 118, 80, 32, "NPC文件", &kButton, kTab, kActionClick},
    {"按钮1", 0x16010002, kTypeButton, 34, 118, 80, 32, "QuestDiary", &kSongTiButton, kTab, kActionClick},
};
static_assert(std::size(kControls) == kControlCount);

// The action table names each button with its caption too; a caption changed in one
// table and not in the other stops the build.
constexpr bool ActionCaptionsAreTheLayouts() {
    for (const ActionRow& action : kActionTable) {
        const ControlRow* button = nullptr;
        for (const ControlRow& control : kControls) {
            if (std::string_view(control.name) == action.unit) button = &control;
        }
        if (!button || std::string_view(button->text) != action.caption) return false;
    }
    return true;
}
static_assert(ActionCaptionsAreTheLayouts(),
              "an action row's caption differs from its button's in the layout");

constexpr std::array<UnitDescription, kControlCount + 1> kUnits = [] {
    std::array<UnitDescription, kControlCount + 1> units{};
    units[0] = {.id = kMainWindowUnit,
                .name = "",
                .type = kTypeWindow,
                .left = 50,
                .top = 50,
                .width = 740,
                .height = 521,
                .text = PANEL_TITLE,
                .properties = &kWindowStyle,
                .bindings = kWindowEvents};
    for (std::size_t i = 0; i < kControlCount; ++i) {
        const ControlRow& row = kControls[i];
        units[i + 1] = {.id = row.id,
                        .name = row.name,
                        .type = row.kind,
                        .left = row.left,
                        .top = row.top,
                        .width = row.width,
                        .height = row.height,
                        .text = row.text,
                        .tabStop = row.tabStop,
                        .properties = row.style,
                        .bindings = row.bindings};
        if (row.bindings.data() == kActionClick) units[i + 1].describe = DescribeButtonAction;
        for (const SpokenRow& spoken : kSpoken) {
            if (std::string_view(spoken.unit) != row.name) continue;
            units[i + 1].accessibleName = spoken.name;
            units[i + 1].describe = spoken.describe;
        }
    }
    return units;
}();

constexpr WindowDescription kWindows[] = {{kMainWindowId, kUnits}};

} // namespace

const WindowDescription kMainWindow = kWindows[0];
const ProgramDescription kPanelProgram{kWindows, kMainWindowId};
