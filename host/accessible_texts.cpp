// What a window or control says to a screen reader where the program knows more than
// Windows' standard object for it, which says the rest; accessible.cpp hands it over.
// What the program says, and after which of Microsoft's pages:
// - the name: a box's name from the program and the label's caption (a control is named
//   by its text or the label before it, "Name Property"); a button's name is the
//   standard object's, its caption, without the line break the browse button's caption
//   ends in, which nobody sees.
// - the description: a button's group and what a press opens, the window's notice
//   ("Description Property"); MSAA readers speak it. The group is the captioned frame
//   of the window's picture that the button lies in (the layout's frames); what a press
//   opens is the unit's describe routine, which panel/layout.cpp gives every file and
//   folder button: DescribeButtonAction (panel/actions.cpp), from the button's row of
//   the action table.
// - the role: push button for buttons and static text for the label ("Object Roles"),
//   which UI Automation's MSAA proxy turns into the Button and Text control types;
//   the state: the label is read-only, as a static text says of itself ("Object State
//   Constants").
// So the file button "刷怪配置" is read as a push button named 刷怪配置, described
// "常用文本：用记事本打开 D:\MirServer\Mir200\Envir\MonGen.txt". A reader's WM_GETOBJECT
// reaches the control (Control::OnMessage, control.cpp) or the window (window_type.cpp),
// which answer with accessible.cpp's object (AnswerAccessibleObject).
// Tested by tests/accessibility_test.cpp (ScreenReader.*,
// ScreenReaderFromAnotherProcess.*), against texts of its own.
#include "host/accessible_texts.h"

#include <windows.h>
#include <oleacc.h>

#include "host/text.h"
#include "host/window_object.h"

namespace {

// The captioned group frame of the window's picture that holds a control's rectangle.
const char* GroupOf(const UnitDescription& unit, const WindowProperties& window) {
    for (const PictureFrame& frame : window.frames) {
        if (frame.caption && unit.left >= frame.left && unit.top >= frame.top &&
            unit.left + unit.width <= frame.left + frame.width &&
            unit.top + unit.height <= frame.top + frame.height)
            return frame.caption;
    }
    return nullptr;
}

// A label is read as its caption (its own property 0), as it shows it now.
char* CaptionOf(UnitObject& label) {
    RawValue caption;
    label.GetUnit().type->get(label, 0, caption);
    return CopyText(reinterpret_cast<const char*>(static_cast<std::uintptr_t>(caption.low)));
}

} // namespace

char* AccessibleNameOf(UnitObject& unit) {
    const UnitDescription& description = *unit.GetUnit().description;
    if (description.type == kTypeLabel) return CaptionOf(unit);
    return description.accessibleName ? CopyText(description.accessibleName) : nullptr;
}

char* AccessibleDescriptionOf(UnitObject& unit) {
    const UnitDescription& description = *unit.GetUnit().description;
    WindowObject* window = unit.Window();
    if (!window) return nullptr;
    const WindowProperties& properties = window->Properties();
    // The window says what the line of text in its picture says.
    if (window == &unit) return properties.notice.text ? CopyText(properties.notice.text) : nullptr;
    if (!description.describe) return nullptr;
    OwnedText what(description.describe(description));
    if (!what) return nullptr;
    // First the group the picture shows the control in, as its caption says it.
    const char* group = GroupOf(description, properties);
    return group ? JoinTexts({group, "：", what.get()}) : what.release();
}

long AccessibleRoleOf(const UnitObject& unit) {
    switch (unit.GetUnit().description->type) {
    case kTypeLabel:
        return ROLE_SYSTEM_STATICTEXT;
    case kTypeButton:
        return ROLE_SYSTEM_PUSHBUTTON;
    default:
        return 0;
    }
}

long AccessibleStatesAddedTo(const UnitObject& unit) {
    return AccessibleRoleOf(unit) == ROLE_SYSTEM_STATICTEXT ? STATE_SYSTEM_READONLY : 0;
}

bool SaysAnythingOfItsOwn(UnitObject& unit) {
    const UnitDescription& description = *unit.GetUnit().description;
    return description.accessibleName || description.describe || AccessibleRoleOf(unit) ||
           (unit.Window() == &unit && unit.Window()->Properties().notice.text);
}

// A caption's line breaks end what a reader is told: it would read them out, and nobody
// sees them.
unsigned ReadLengthOf(const wchar_t* caption) {
    unsigned length = 0;
    while (caption[length] && caption[length] != L'\r' && caption[length] != L'\n')
        ++length;
    return length;
}
