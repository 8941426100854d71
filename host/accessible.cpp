// How a screen reader is handed what a unit's window says. A window answers
// WM_GETOBJECT for its client area with oleacc's standard object for it
// (CreateStdAccessibleObject), wrapped: the wrapper answers accName, accDescription,
// accRole and accState with what the program says of the window or control
// (accessible_texts.cpp) and hands every other question to the standard object, as
// Microsoft's "Exposing Controls Based on System Controls" shows. After its pages:
// - accHelp is the description again. UI Automation does not carry accDescription; it
//   reads accHelp as its HelpText property (the table of how MSAA properties map to UI
//   Automation).
// - COM: every interface handed out is the wrapper's own, so that QueryInterface from
//   any of them leads back to it (the rules of IUnknown::QueryInterface); IDispatch::
//   Invoke runs IAccessible's type information on the wrapper's own pointer
//   (ITypeInfo::Invoke), so that late-bound clients get the program's answers too
//   ("Dual Interfaces: IAccessible and IDispatch"). The type information is the standard
//   object's, else that of the type library registered for IAccessible (LoadRegTypeLib),
//   else the one oleacc.dll holds; with none, GetTypeInfoCount says 0.
// - IServiceProvider is not handed on: the standard object's IAccessibleEx would answer
//   GetIAccessiblePair with the standard object, and UI Automation would read its
//   names and none of the program's. Without it UI Automation reads this object through
//   its MSAA proxy ("Implementing IAccessibleEx for Providers").
// oleacc.dll is loaded from the system folder when the first screen reader asks, never
// at start.
// Tested by tests/accessibility_test.cpp: every interface leads back to the wrapper
// (ScreenReader.EveryInterfaceOfTheObjectLeadsBackToItAndInvokeAnswersLikeIt); a reader
// in another process, oleacc loaded only when asked (ScreenReaderFromAnotherProcess.*).
#include "host/accessible.h"

#include <oleacc.h>

#include "host/accessible_texts.h"
#include "host/handles.h"
#include "host/system_library.h"
#include "host/text.h"
#include "host/window_object.h"

namespace {

using CreateStdObjectFunction = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFromObjectFunction = LRESULT(WINAPI*)(REFIID, WPARAM, IUnknown*);
using AllocateBstrFunction = BSTR(WINAPI*)(const OLECHAR*, UINT);
using FreeBstrFunction = void(WINAPI*)(BSTR);

// oleacc's two entries and the BSTR allocator and its release, from the system folder, looked up when
// a screen reader first asks; all null where they cannot be had.
struct Oleacc {
    CreateStdObjectFunction createStdObject = nullptr;
    LresultFromObjectFunction lresultFromObject = nullptr;
    AllocateBstrFunction allocateBstr = nullptr;
    FreeBstrFunction freeBstr = nullptr;
};
const Oleacc& LoadOleacc() {
    static const Oleacc oleacc = [] {
        Oleacc loaded{
            SystemFunction<CreateStdObjectFunction>("oleacc.dll", "CreateStdAccessibleObject"),
            SystemFunction<LresultFromObjectFunction>("oleacc.dll", "LresultFromObject"),
            SystemFunction<AllocateBstrFunction>("oleaut32.dll", "SysAllocStringLen"),
            SystemFunction<FreeBstrFunction>("oleaut32.dll", "SysFreeString"),
        };
        if (!loaded.createStdObject || !loaded.lresultFromObject || !loaded.allocateBstr || !loaded.freeBstr)
            loaded = {};
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

// IAccessible's type library, as a new reference: the one registered for it
// (LoadRegTypeLib, version 1.1), or where none is registered the one oleacc.dll holds,
// from the system folder; null where neither can be had.
ITypeLib* LoadAccessibilityLibrary(LCID locale) {
    using LoadRegisteredFunction = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, ITypeLib**);
    using LoadFileFunction = HRESULT(WINAPI*)(const OLECHAR*, REGKIND, ITypeLib**);
    ITypeLib* library = nullptr;
    auto registered = SystemFunction<LoadRegisteredFunction>("oleaut32.dll", "LoadRegTypeLib");
    if (registered && SUCCEEDED(registered(LIBID_Accessibility, 1, 1, locale, &library)) && library)
        return library;
    library = nullptr;
    auto load = SystemFunction<LoadFileFunction>("oleaut32.dll", "LoadTypeLibEx");
    OwnedText path(SystemFolderPath("oleacc.dll"));
    wchar_t widePath[MAX_PATH];
    if (!load || !path || !MultiByteToWideChar(CP_ACP, 0, path.get(), -1, widePath, MAX_PATH) ||
        FAILED(load(widePath, REGKIND_NONE, &library)))
        return nullptr;
    return library;
}

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The standard object of a window's client area, answering with what the program says of
// its unit. The unit is found by its window at each question: a screen reader may keep
// the object after the window is gone, and is then answered by the standard object alone.
class UnitAccessible final : public IAccessible, public IEnumVARIANT, public IOleWindow {
public:
    UnitAccessible(HWND hwnd, IAccessible* standard) : hwnd_(hwnd), standard_(standard) {
        standard_->QueryInterface(IID_IEnumVARIANT, children_.out());
        standard_->QueryInterface(IID_IOleWindow, window_.out());
    }
    UnitAccessible(const UnitAccessible&) = delete;
    UnitAccessible& operator=(const UnitAccessible&) = delete;

    // IUnknown: the enumerator of the children and the window interface are this
    // object's, where the standard object has them, and hand their calls to it.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (id == IID_IUnknown || id == IID_IDispatch || id == __uuidof(IAccessible))
            *object = static_cast<IAccessible*>(this);
        else if (id == IID_IEnumVARIANT && children_)
            *object = static_cast<IEnumVARIANT*>(this);
        else if (id == IID_IOleWindow && window_)
            *object = static_cast<IOleWindow*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: IAccessible's type information, run on this object.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = TypeInfo(LOCALE_USER_DEFAULT) ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        *info = TypeInfo(locale);
        if (!*info) return E_NOTIMPL;
        (*info)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        if (id != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        ITypeInfo* info = TypeInfo(locale);
        return info ? info->GetIDsOfNames(names, count, ids) : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID id, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* badArgument) override {
        if (id != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        ITypeInfo* info = TypeInfo(locale);
        if (!info) return E_NOTIMPL;
        // The type information's Invoke needs a place for the index of a bad argument,
        // which a client of IDispatch need not give.
        UINT unaskedBadArgument = 0;
        return info->Invoke(static_cast<IAccessible*>(this), member, flags, parameters, result, exception,
                            badArgument ? badArgument : &unaskedBadArgument);
    }

    // IAccessible: what the program adds.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (HRESULT answered = Answer(child, AccessibleNameOf, name); answered != S_FALSE) return answered;
        HRESULT standard = standard_->get_accName(child, name);
        return standard == S_OK && *name ? CutAsRead(*name) : standard;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        HRESULT answered = Answer(child, AccessibleDescriptionOf, description);
        return answered != S_FALSE ? answered : standard_->get_accDescription(child, description);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        HRESULT answered = Answer(child, AccessibleDescriptionOf, help);
        return answered != S_FALSE ? answered : standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        UnitObject* unit = IsSelf(child) && role ? HostObjectOf(hwnd_) : nullptr;
        if (long own = unit ? AccessibleRoleOf(*unit) : 0) {
            role->vt = VT_I4;
            role->lVal = own;
            return S_OK;
        }
        return standard_->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        HRESULT standard = standard_->get_accState(child, state);
        UnitObject* unit = IsSelf(child) && standard == S_OK ? HostObjectOf(hwnd_) : nullptr;
        if (unit && state->vt == VT_I4) state->lVal |= AccessibleStatesAddedTo(*unit);
        return standard;
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

    // IEnumVARIANT: the standard object's children.
    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override {
        return children_->Next(count, items, fetched);
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override { return children_->Skip(count); }
    HRESULT STDMETHODCALLTYPE Reset() override { return children_->Reset(); }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override { return children_->Clone(copy); }

    // IOleWindow: the standard object's window.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override { return window_->GetWindow(hwnd); }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override {
        return window_->ContextSensitiveHelp(enter);
    }

private:
    ~UnitAccessible() = default;

    // IAccessible's type information: the standard object's, or where it has none (Wine's)
    // that of IAccessible's type library. Kept for the program's life.
    ITypeInfo* TypeInfo(LCID locale) {
        static ITypeInfo* info = nullptr;
        if (info) return info;
        if (SUCCEEDED(standard_->GetTypeInfo(0, locale, &info)) && info) return info;
        info = nullptr;
        ComPtr<ITypeLib> library(LoadAccessibilityLibrary(locale));
        if (library && FAILED(library->GetTypeInfoOfGuid(__uuidof(IAccessible), &info))) info = nullptr;
        return info;
    }

    // A name as a reader is told it (ReadLengthOf), cut where it says more.
    static HRESULT CutAsRead(BSTR& name) {
        UINT length = ReadLengthOf(name);
        if (!name[length]) return S_OK;
        const Oleacc& oleacc = LoadOleacc();
        BSTR cut = oleacc.allocateBstr(name, length);
        oleacc.freeBstr(name);
        name = cut;
        return cut ? S_OK : E_OUTOFMEMORY;
    }

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
    ComPtr<IAccessible> standard_;
    ComPtr<IEnumVARIANT> children_;
    ComPtr<IOleWindow> window_;
    LONG references_ = 1;
};

} // namespace

LRESULT AnswerAccessibleObject(UnitObject& unit, WPARAM flags, LPARAM objectId) {
    if (static_cast<LONG>(objectId) != OBJID_CLIENT || !SaysAnythingOfItsOwn(unit)) return 0;
    const Oleacc& oleacc = LoadOleacc();
    if (!oleacc.createStdObject) return 0;
    IAccessible* standard = nullptr;
    if (FAILED(oleacc.createStdObject(unit.Handle(), OBJID_CLIENT, __uuidof(IAccessible),
                                      reinterpret_cast<void**>(&standard))) ||
        !standard)
        return 0;
    auto* wrapped = new UnitAccessible(unit.Handle(), standard);
    // The result holds its own reference until the asker takes the object.
    LRESULT result =
        oleacc.lresultFromObject(__uuidof(IAccessible), flags, static_cast<IAccessible*>(wrapped));
    wrapped->Release();
    return result > 0 ? result : 0;
}
