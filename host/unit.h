// Units at run time: the window list's entries, the live object behind each created
// window or control, and the table of routines that each unit type supplies.
// Tested by tests/host_subclass_test.cpp: a window the host did not make is never taken
// for one of its objects, and each message is passed on once.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <vector>

#include "host/description.h"

class DeferredMoves;
struct EventRecord;
class UnitObject;
class WindowObject;
struct UnitType;

// One unit of a window description and, while it is created, its live object.
struct Unit {
    const UnitDescription* description = nullptr;
    const UnitType* type = nullptr;
    UnitObject* live = nullptr;
};

// One window description of the program. The entry outlives its window, which can
// be loaded again from it.
struct WindowEntry {
    const WindowDescription* description = nullptr;
    std::vector<Unit> units; // unit 0 is the window
    std::uint32_t Id() const { return description->id; }
};

// Declared types of properties.
enum PropertyType : std::uint16_t {
    kPropertyInteger = 1001,
    kPropertyLogical = 1003,
    kPropertyText = 1005,
};

// A property value as a type's get and set operations exchange it.
struct RawValue {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
};

struct CreationContext {
    std::uint32_t windowId = 0;
    WindowEntry* entry = nullptr;
    WindowObject* window = nullptr; // null while the window itself is being created
    HWND owner = nullptr;           // window only
    bool modal = false;             // window only
    HMENU menu = nullptr;           // window only
    int commandId = 0;              // controls only
};

struct UnitType {
    std::uint32_t id;
    const char* chineseName;
    const char* englishName;
    std::span<const std::uint16_t> ownProperties; // declared types of properties 8, 9, ...
    bool raisesEvents;
    // Makes the window or control of a unit; null when it cannot be made.
    std::unique_ptr<UnitObject> (*create)(Unit& unit, const CreationContext& context);
    // Own properties (index 8 and up, passed less 8); null for a type without any.
    void (*get)(UnitObject& object, int ownIndex, RawValue& value);
    // True when the control has to be made again to show the new value.
    bool (*set)(UnitObject& object, int ownIndex, const RawValue& value);
};

const UnitType* FindUnitType(std::uint32_t typeId);

// The host object of a live window or control. System controls are subclassed. The
// window procedure (HostWindowProc) finds the object of its window in the window's user
// data; the rest of the host finds it in the host's own table (HostObjectOf), which asks
// no window.
class UnitObject {
public:
    UnitObject(Unit& unit, std::uint32_t windowId, WindowObject* window);
    virtual ~UnitObject();
    UnitObject(const UnitObject&) = delete;
    UnitObject& operator=(const UnitObject&) = delete;

    HWND Handle() const { return hwnd_; }
    bool Live() const { return hwnd_ && IsWindow(hwnd_); }
    Unit& GetUnit() const { return unit_; }
    std::uint32_t WindowId() const { return windowId_; }
    std::uint32_t UnitId() const { return unit_.description->id; }
    WindowObject* Window() const { return window_; }

    // Raises one of this unit's events through RaiseEvent (events.cpp); true when a
    // handler ran.
    bool Raise(std::int32_t event, std::initializer_list<std::uint32_t> arguments = {},
               EventRecord* record = nullptr);

    // A WM_COMMAND notification of this control: handed on by its window when the window
    // gets it (WindowObject::OnCommand), or sent to the control itself.
    virtual void OnNotify(UINT code);
    // WM_CTLCOLOR... on behalf of this control; 0 lets the window's default answer.
    virtual HBRUSH OnControlColour(HDC dc);
    // Pre-translation of a queued message; true consumes it.
    virtual bool PreTranslate(MSG& message);
    // At the window's DPI, when the window is loaded and when it went to another DPI: the
    // control takes its font there and queues its move to its place there.
    virtual void ApplyDpi(int dpi, DeferredMoves& moves);

    // The text stored with the unit (common property 4).
    std::vector<char> tag;

protected:
    // Attaches to a window made from a system class, or to one of our own classes
    // (then `original` is DefWindowProcA).
    void Attach(HWND hwnd, bool subclass);
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT CallOriginal(UINT message, WPARAM wParam, LPARAM lParam);
    // Called last, after WM_NCDESTROY, once the object is detached from its window.
    virtual void OnDetached();

public:
    static LRESULT CALLBACK HostWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    HWND hwnd_ = nullptr;

private:
    Unit& unit_;
    std::uint32_t windowId_;
    WindowObject* window_;
    WNDPROC original_ = DefWindowProcA;
    bool subclassed_ = false;
    bool lastMessagePassed_ = false; // WM_NCDESTROY has reached the original procedure
};

// The host object of a window, or null for a window the host did not make.
UnitObject* HostObjectOf(HWND hwnd);

// Registers a window class of the host once per process; the class's procedure finds
// the object passed as creation parameter.
void RegisterHostClass(const char* name, UINT style, HBRUSH background);
