// The host object of a loaded window: its events, its keyboard interface, its
// controls and what it disabled as a modal window. Its parts live in files of their
// own: creation (window_create), place and size at a DPI (window_placement), icons
// (window_icon), painting (window_paint), keys (window_keyboard), activation and
// focus (window_activation), closing and the end of the session (window_close), a tray
// icon's messages, though the program makes no icon (window_tray), and the message switch
// (window_type).
// Each part's file names its tests; the window as a whole: tests/main_window_test.cpp and
// tests/host_runtime_test.cpp.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "host/handles.h"
#include "host/unit.h"

class BackgroundPicture;

// Where a window of this outer size starts when centred on the screen: centred, but
// with its top-left corner inside the work area of its monitor.
POINT CentredOnScreen(SIZE outer);

class WindowObject : public UnitObject {
public:
    WindowObject(Unit& unit, WindowEntry& entry);
    ~WindowObject() override;

    static std::unique_ptr<UnitObject> Create(Unit& unit, const CreationContext& context);

    WindowEntry& Entry() const { return entry_; }
    const WindowProperties& Properties() const {
        return *static_cast<const WindowProperties*>(GetUnit().description->properties);
    }
    void OwnItself() { ownsItself_ = true; }
    void AdoptControl(std::unique_ptr<UnitObject> control) { controls_.push_back(std::move(control)); }

    // Shows the window by its start position, then tells the focused unit.
    void ShowLoaded();
    // Controls that Tab visits, in Tab order.
    std::vector<HWND> TabSequence() const;

    // The DPI the window and its controls are laid out for.
    int Dpi() const { return dpi_; }
    // The default GUI font at that DPI, for controls without a font of their own.
    HFONT DefaultFont() const;
    // Gives every control its font and place at the window's DPI, in one batch of
    // moves, when the controls are made and when the window moves to another DPI alike.
    void LayOutControls(UINT flags = 0);

    bool PreTranslate(MSG& message) override;

    // The window's icons as it has them now (null before it has any of its own).
    HICON BigIcon() const { return bigIcon_.get(); }
    HICON SmallIcon() const { return smallIcon_.get(); }

    bool modal = false;
    std::vector<std::pair<HWND, bool>> disabledWindows; // (window, was enabled)

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDetached() override;

private:
    // Raises the event; false when a routine destroyed the window, and this object with
    // it, so that nothing of the object may be touched any more.
    bool RaiseAndOutlive(std::int32_t event);
    // The groups of the message switch (window_type.cpp): each answers the messages
    // it handles, and nothing for the others.
    std::optional<LRESULT> OnLifeMessage(UINT message, WPARAM wParam, LPARAM lParam);
    std::optional<LRESULT> OnPlaceMessage(UINT message, WPARAM wParam, LPARAM lParam);
    std::optional<LRESULT> OnInputMessage(UINT message, WPARAM wParam, LPARAM lParam);
    std::optional<LRESULT> OnDrawMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool HandleKeyboard(const MSG& message);
    void MoveFocus(bool backwards);
    bool PressDefaultButton();
    bool PressMnemonic(char key);
    void ShowKeyboardCues(WORD cues);
    void OnCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnClose();
    LRESULT OnQueryEndSession(WPARAM wParam, LPARAM lParam);
    void OnDestroying();
    void OnTrayNotify(LPARAM lParam);
    void OnActivate(WPARAM wParam);
    void OnSetFocus();
    void OnDestroyed();
    // Painting (window_paint.cpp): WM_PAINT, and an erase sent outside it.
    void OnPaint();
    void PaintOnErase(HDC dc);
    void Paint(HDC dc, const RECT& clip);
    void PaintInSystemColours(HDC dc);
    // Makes the large and small icons for a DPI from the stored icon, gives them to
    // the window, then lets the ones it had go.
    void UseIcons(int dpi);

    // Place and size at a DPI (window_placement.cpp).
    // Lays the window out at a DPI, when it is made and when it moves to another DPI
    // alike: its font, picture and icons, then its size, at `at` or else centred on the
    // screen (minimized: the size it comes back with). Gives back the font it had, which
    // its controls may still use until LayOutControls gives them theirs.
    FontHandle LayOutWindow(int dpi, bool centred, POINT at, UINT flags = 0);
    // The layout's client area at a DPI.
    SIZE ClientSizeAt(int dpi) const;
    // The outer size whose client area is the layout's at a DPI, in the frame the
    // window will have there.
    SIZE OuterSizeAt(int dpi) const;
    // Sizes the window so that its client area is the layout's at its DPI, whatever
    // the frame around it, at `at` or else centred on the screen; `flags` go with the
    // moves (SWP_NOREDRAW where a repaint follows).
    void FitFrame(bool centred, POINT at, UINT flags = 0);
    // The window went to another DPI: everything again as a start at that DPI makes it.
    void OnDpiChanged(int dpi, const RECT& suggested);
    // A minimized window keeps its size: the size it comes back with is set instead.
    void PlaceForRestore();

    WindowEntry& entry_;
    std::vector<std::unique_ptr<UnitObject>> controls_;
    bool ownsItself_ = false;
    bool activated_ = false;             // the first-activation event has been raised
    bool inActivation_ = false;          // the activated or deactivated event is running
    bool inPaint_ = false;               // inside the BeginPaint call (the erase it sends)
    HWND lastFocus_ = nullptr;           // the control that had the focus at deactivation
    HWND commandPassing_ = nullptr;      // a foreign control whose WM_COMMAND is being passed on
    HFONT font_ = nullptr;               // as set with WM_SETFONT; the window does not own it
    std::span<const std::uint8_t> icon_; // the stored ICO file
    IconHandle bigIcon_;
    IconHandle smallIcon_;
    std::unique_ptr<BackgroundPicture> picture_;
    int dpi_ = 96;
    FontHandle guiFont_; // the default GUI font at dpi_, when that is not the stock one
    SIZE classicClient_{};
    bool frameScales_ = false;  // Windows draws the frame for the window's own DPI
    bool fitOnRestore_ = false; // laid out for a DPI while minimized: fit the frame when restored
};
