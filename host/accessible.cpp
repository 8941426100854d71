#include "host/accessible.h"

#include <oleacc.h>

#include "host/system_library.h"
#include "host/text.h"
#include "host/window_object.h"

namespace {

using CreateStdObjectFunction = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFromObjectFunction = LRESULT(WINAPI*)(REFIID, WPARAM, IUnknown*);
using AllocateBstrFunction = BSTR(WINAPI*)(const OLECHAR*, UINT);

// oleacc's two entries and the BSTR allocator, from the system folder, looked up when
// a screen reader first asks; all null where they cannot be had.
struct Oleacc {
    CreateStdObjectFunction createStdObject = nullptr;
    LresultFromObjectFunction lresultFromObject = nullptr;
    AllocateBstrFunction allocateBstr = nullptr;
};
const Oleacc& LoadOleacc() {
    static const Oleacc oleacc = [] {
        Oleacc loaded{
            SystemFunction<CreateStdObjectFunction>("oleacc.dll", "CreateStdAccessibleObject"),
            SystemFunction<LresultFromObjectFunction>("oleacc.dll", "LresultFromObject"),
            SystemFunction<AllocateBstrFunction>("oleaut32.dll", "SysAllocStringLen"),
        };
        if (!loaded.createStdObject || !loaded.lresultFromObject || !loaded.allocateBstr) loaded = {};
        return loaded;
    }();
    return oleacc;
}

// A GBK text as the BSTR a screen reader reads: converted with the ANSI code page, as
// Windows' own ...A functions convert; null when it cannot be made.
BSTR ToBstr(const char* text) {
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0) return nullptr;
    BSTR converted = LoadOleacc().allocateBstr(nullptr, static_cast<UINT>(length - 1));
    if (converted) MultiByteToWideChar(CP_ACP, 0, text, -1, converted, length);
    return converted;
}

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

// What the program adds for a unit, as new heap texts (null: Windows' own answer).
char* NameOf(UnitObject& unit) {
    const UnitDescription& description = *unit.GetUnit().description;
    if (description.type == kTypeLabel) return CaptionOf(unit);
    return description.accessibleName ? CopyText(description.accessibleName) : nullptr;
}
char* DescriptionOf(UnitObject& unit) {
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
long RoleOf(const UnitObject& unit) {
    return unit.GetUnit().description->type == kTypeLabel ? ROLE_SYSTEM_STATICTEXT : 0;
}
bool AddsAnything(UnitObject& unit) {
    const UnitDescription& description = *unit.GetUnit().description;
    return description.accessibleName || description.describe || RoleOf(unit) ||
           (unit.Window() == &unit && unit.Window()->Properties().notice.text);
}

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The standard object of a window's client area, with the name, description and role
// of its unit where the program has them. Everything else is the standard object's.
// The unit is found by its window at each question: a screen reader may keep the
// object after the window is gone, and is then answered by the standard object alone.
class UnitAccessible final : public IAccessible {
public:
    UnitAccessible(HWND hwnd, IAccessible* standard) : hwnd_(hwnd), standard_(standard) {}
    UnitAccessible(const UnitAccessible&) = delete;
    UnitAccessible& operator=(const UnitAccessible&) = delete;

    // IUnknown: an accessible object's interfaces are this one's, and the standard
    // object's enumerator of its children and its window are its own. Nothing else is
    // handed on: COM marshals this object to another process by what it answers here.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (id == IID_IUnknown || id == IID_IDispatch || id == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        if (id == IID_IEnumVARIANT || id == IID_IOleWindow) return standard_->QueryInterface(id, object);
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return standard_->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return standard_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return standard_->GetIDsOfNames(id, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID id, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* badArgument) override {
        return standard_->Invoke(member, id, locale, flags, parameters, result, exception, badArgument);
    }

    // IAccessible: what the program adds.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (HRESULT answered = Answer(child, NameOf, name); answered != S_FALSE) return answered;
        return standard_->get_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        if (HRESULT answered = Answer(child, DescriptionOf, description); answered != S_FALSE)
            return answered;
        return standard_->get_accDescription(child, description);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        UnitObject* unit = IsSelf(child) && role ? HostObjectOf(hwnd_) : nullptr;
        if (long own = unit ? RoleOf(*unit) : 0) {
            role->vt = VT_I4;
            role->lVal = own;
            return S_OK;
        }
        return standard_->get_accRole(child, role);
    }

    // IAccessible: the rest is the standard object's.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        return standard_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return standard_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return standard_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return standard_->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return standard_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG left, LONG top, VARIANT* child) override {
        return standard_->accHitTest(left, top, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return standard_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

private:
    ~UnitAccessible() { standard_->Release(); }

    // S_OK with the unit's own text; S_FALSE where the standard object answers.
    HRESULT Answer(const VARIANT& child, char* (*textOf)(UnitObject&), BSTR* answer) {
        if (!answer) return E_POINTER;
        UnitObject* unit = IsSelf(child) ? HostObjectOf(hwnd_) : nullptr;
        OwnedText text(unit ? textOf(*unit) : nullptr);
        if (!text) return S_FALSE;
        *answer = ToBstr(text.get());
        return *answer ? S_OK : E_OUTOFMEMORY;
    }

    HWND hwnd_;
    IAccessible* standard_;
    LONG references_ = 1;
};

} // namespace

LRESULT AnswerAccessibleObject(UnitObject& unit, WPARAM flags, LPARAM objectId) {
    if (static_cast<LONG>(objectId) != OBJID_CLIENT || !AddsAnything(unit)) return 0;
    const Oleacc& oleacc = LoadOleacc();
    if (!oleacc.createStdObject) return 0;
    IAccessible* standard = nullptr;
    if (FAILED(oleacc.createStdObject(unit.Handle(), OBJID_CLIENT, __uuidof(IAccessible),
                                      reinterpret_cast<void**>(&standard))) ||
        !standard)
        return 0;
    auto* wrapped = new UnitAccessible(unit.Handle(), standard);
    // The result holds its own reference until the asker takes the object.
    LRESULT result = oleacc.lresultFromObject(__uuidof(IAccessible), flags, wrapped);
    wrapped->Release();
    return result > 0 ? result : 0;
}
