#include "tests/support/test_layout.h"

namespace testlayout {

HandlerResult (*OnTestEvent)(const char*, std::span<const std::uint32_t>) = nullptr;

namespace {

template <const char* Name> HandlerResult Forward(std::span<const std::uint32_t> arguments) {
    return OnTestEvent ? OnTestEvent(Name, arguments) : HandlerResult{};
}

constexpr char kCreated[] = "created", kMoved[] = "moved", kResized[] = "resized",
               kDestroying[] = "destroying", kCloseRequest[] = "close-request", kCloseQuery[] = "close-query",
               kShown[] = "shown", kIdle[] = "idle", kChange[] = "change", kClick[] = "click",
               kClick2[] = "click-2", kButtonFocus[] = "button-focus";

constexpr EventBinding kWindowBindings[] = {
    On(kEventCreated, Forward<kCreated>),
    On(kEventMoved, Forward<kMoved>),
    On(kEventResized, Forward<kResized>),
    On(kEventDestroying, Forward<kDestroying>),
    On(kEventCloseRequest, Forward<kCloseRequest>),
    On(kEventCloseQuery, Forward<kCloseQuery>),
    On(kEventShown, Forward<kShown>),
    On(kEventIdle, Forward<kIdle>),
};
constexpr EventBinding kEditBindings[] = {On(kEventChange, Forward<kChange>)};
constexpr EventBinding kButtonBindings[] = {On(kEventClick, Forward<kClick>),
                                            On(kEventGotFocus, Forward<kButtonFocus>)};
constexpr EventBinding kSecondButtonBindings[] = {On(kEventClick, Forward<kClick2>)};

constexpr WindowProperties kWindow{.border = WindowBorder::FixedSunken, .escapeCloses = true};
constexpr EditBoxProperties kEdit{};
constexpr ButtonProperties kButton{};
constexpr LabelProperties kLabel{.textColour = RGB(255, 128, 0), .background = RGB(66, 62, 51)};

constexpr UnitDescription kUnits[] = {
    {.id = kWindowUnit,
     .type = kTypeWindow,
     .left = 10,
     .top = 10,
     .width = 400,
     .height = 300,
     .text = "测试窗口",
     .properties = &kWindow,
     .bindings = kWindowBindings},
    {.id = kEditId,
     .name = "编辑框1",
     .type = kTypeEditBox,
     .left = 10,
     .top = 10,
     .width = 200,
     .height = 24,
     .text = "初始内容",
     .tabStop = true,
     .properties = &kEdit,
     .bindings = kEditBindings},
    {.id = kButtonId,
     .name = "按钮1",
     .type = kTypeButton,
     .left = 10,
     .top = 50,
     .width = 80,
     .height = 32,
     .text = "按钮",
     .tabStop = true,
     .properties = &kButton,
     .bindings = kButtonBindings},
    {.id = kSecondButtonId,
     .name = "按钮2",
     .type = kTypeButton,
     .left = 100,
     .top = 50,
     .width = 80,
     .height = 32,
     .text = "第二",
     .tabStop = true,
     .properties = &kButton,
     .bindings = kSecondButtonBindings},
    {.id = kUnboundButtonId,
     .name = "按钮3",
     .type = kTypeButton,
     .left = 190,
     .top = 50,
     .width = 80,
     .height = 32,
     .text = "无事",
     .tabStop = true,
     .properties = &kButton},
    {.id = kLabelId,
     .name = "标签1",
     .type = kTypeLabel,
     .left = 10,
     .top = 100,
     .width = 200,
     .height = 24,
     .text = "标签",
     .properties = &kLabel},
};
constexpr WindowDescription kWindows[] = {{kWindowId, kUnits}};
constexpr WindowDescription kTwoWindows[] = {{kWindowId, kUnits}, {kSecondWindowId, kUnits}};

constexpr UnitDescription kBadUnits[] = {kUnits[0], kUnits[1], kUnits[1]};
constexpr WindowDescription kBadWindows[] = {{kWindowId, kBadUnits}};

} // namespace

const ProgramDescription kProgram{kWindows, kWindowId};
const ProgramDescription kTwoWindowProgram{kTwoWindows, kWindowId};
const ProgramDescription kProgramWithoutStartWindow{kWindows, 0x52020099};
const ProgramDescription kProgramWithBadDescription{kBadWindows, kWindowId};

} // namespace testlayout
