// Window descriptions: what the program's layout data says about each window and its
// units (the window itself and its controls), with the handlers bound to their events.
// Tested through what reads it: the host's tests describe windows of their own with it
// (tests/support/test_layout.h, tests/host_behaviour_fixture.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

// Unit type ids: library number in the high half (1: built in), type number in the low.
enum UnitTypeId : std::uint32_t {
    kTypeWindow = 0x00010001,
    kTypeEditBox = 0x00010005,
    kTypeLabel = 0x0001000A,
    kTypeButton = 0x0001000B,
};

// What a handler that may return a value gives back.
struct HandlerResult {
    bool returned = false;
    std::int32_t value = 0;
};

// A (event index, handler) pair. Event 0 and up are the unit type's own events,
// negative indexes the input events common to all types. A binding may hold a plain
// routine, or one that takes the event's arguments and may return a value.
struct EventBinding {
    std::int32_t event = 0;
    void (*routine)() = nullptr;
    HandlerResult (*routineWithResult)(std::span<const std::uint32_t> arguments) = nullptr;
};

constexpr EventBinding On(std::int32_t event, void (*routine)()) {
    return {event, routine, nullptr};
}
constexpr EventBinding On(std::int32_t event, HandlerResult (*routine)(std::span<const std::uint32_t>)) {
    return {event, nullptr, routine};
}

// Events of every window (the window unit's own indexes).
enum WindowEvent : std::int32_t {
    kEventCreated = 0,
    kEventCloseQuery = 1,
    kEventDestroying = 2,
    kEventMoved = 3,
    kEventResized = 4,
    kEventActivated = 5,
    kEventDeactivated = 6,
    kEventIdle = 7,
    kEventFirstActivation = 8,
    kEventTrayIcon = 9,
    kEventShown = 10,
    kEventHidden = 11,
    kEventCloseRequest = 12,
};
// Event indexes are per unit type: each type numbers its own events from 0, so the
// window's creation, a button's click and an edit box's change all have index 0.
enum ControlEvent : std::int32_t {
    kEventClick = 0,  // button
    kEventChange = 0, // edit box
    kEventGotFocus = -7,
    kEventLostFocus = -8,
};

// Border of a window.
enum class WindowBorder {
    None,
    Resizable,
    Fixed,
    ResizableSmallCaption,
    FixedSmallCaption,
    ResizableSunken,
    FixedSunken
};
// Border of an edit box or a label.
enum class ControlBorder { None, Sunken, Raised, ShallowSunken, Bump, SingleLine };
enum class StartPosition { Stored, Centred, Maximized, Minimized };
enum class PictureMode { Once = 0, Tiled = 1, CentredFit = 2, Stretched = 3 };
enum class HorizontalAlign { Left, Centre, Right };
enum class VerticalAlign { Top, Centre, Bottom };

// The system button-face colour, as a colour property stores it (high_contrast.h's
// ResolveColour makes it the system's colour).
inline constexpr COLORREF kButtonFaceColour = 0xFF000000;

// What the window's picture shows that must also be said in words: a screen reader
// reads it, and in high contrast, where the picture is not drawn, it is drawn as text
// and lines. Places are client pixels at 96 DPI, as the controls' are.
struct PictureFrame {
    int left, top, width, height;                             // the frame's lines
    int captionLeft, captionTop, captionWidth, captionHeight; // the caption, cut into the top line
    const char* caption;                                      // null for a frame without one
};
struct PictureText {
    int left, top, width, height;
    const char* text = nullptr;
};

// The unit's text (window title, button or label caption, edit box content) is part
// of its description; what follows is the rest of each type's own properties.
struct WindowProperties {
    WindowBorder border = WindowBorder::Fixed;
    bool controlBox = true;
    bool minimizeBox = true;
    bool maximizeBox = false;
    StartPosition position = StartPosition::Centred;
    bool alwaysOnTop = false;
    bool showInTaskbar = true;
    bool escapeCloses = false;
    bool enterMovesFocus = false;
    COLORREF background = kButtonFaceColour;
    const char* picture = nullptr; // RCDATA resource holding a JPEG; null for none
    PictureMode pictureMode = PictureMode::Tiled;
    const char* icon = nullptr;           // RCDATA resource holding an ICO; null for the program's icon
    std::span<const PictureFrame> frames; // the picture's group frames
    PictureText notice;                   // the picture's line of text; the window's description
};

struct EditBoxProperties {
    ControlBorder border = ControlBorder::Sunken;
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF background = RGB(255, 255, 255);
    const LOGFONTA* font = nullptr; // none: DEFAULT_GUI_FONT
    bool hideSelection = true;
    std::int32_t maxLength = 0;
    bool multiLine = false;
};

struct ButtonProperties {
    const LOGFONTA* font = nullptr;
    bool isDefault = false;
};

struct LabelProperties {
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF background = kButtonFaceColour;
    const LOGFONTA* font = nullptr;
    HorizontalAlign horizontal = HorizontalAlign::Left;
    VerticalAlign vertical = VerticalAlign::Centre;
    bool wordWrap = false;
    ControlBorder border = ControlBorder::None;
};

struct UnitDescription {
    std::uint32_t id = 0;
    const char* name = "";
    std::uint32_t type = 0;
    int left = 0, top = 0, width = 0, height = 0;
    const char* text = "";
    bool visible = true;
    bool disabled = false;
    bool tabStop = false;
    std::int32_t tabOrder = 0;
    const void* properties = nullptr; // the type's own: WindowProperties, EditBoxProperties, ...
    std::span<const EventBinding> bindings;
    // For a screen reader: a name where the control shows none, and what the control does,
    // said at the moment of asking (a new heap text; null for nothing to say). The caption
    // of the picture's group frame around the control goes before it.
    const char* accessibleName = nullptr;
    char* (*describe)(const UnitDescription& unit) = nullptr;
};

struct WindowDescription {
    std::uint32_t id = 0;
    std::span<const UnitDescription> units; // unit 0 is the window itself
};

struct ProgramDescription {
    std::span<const WindowDescription> windows;
    std::uint32_t startWindow = 0;
    void (*initializeData)() = nullptr;
    void (*cleanUpData)() = nullptr;
};
