#include "host/properties.h"

#include <cstring>

#include "host/fatal.h"
#include "host/text.h"
#include "host/unit.h"
#include "host/window_list.h"

namespace {

constexpr std::uint16_t kCommonTypes[kFirstOwnProperty] = {
    kPropertyInteger, kPropertyInteger, kPropertyInteger, kPropertyInteger,
    kPropertyText,    kPropertyLogical, kPropertyLogical, kPropertyInteger,
};

struct Target {
    Unit* unit;
    std::uint16_t declaredType; // 0: the type has no such property
    bool live;
};

Target Find(std::uint32_t windowId, std::uint32_t unitId, std::int32_t index) {
    WindowEntry* entry = FindWindowEntry(windowId);
    if (!entry) ReportFatalError("未载入欲访问窗口组件所在的窗口", 0);
    Unit* unit = FindUnit(*entry, unitId);
    // A unit the window does not hold has no control, as if it were not loaded.
    if (!unit) ReportFatalError("指定窗口尚未载入", 0);
    std::uint16_t declared = 0;
    if (index >= 0 && index < kFirstOwnProperty) {
        declared = kCommonTypes[index];
    } else if (index >= kFirstOwnProperty &&
               static_cast<std::size_t>(index - kFirstOwnProperty) < unit->type->ownProperties.size()) {
        declared = unit->type->ownProperties[index - kFirstOwnProperty];
    }
    return {unit, declared, unit->live && unit->live->Live()};
}

std::uint32_t TagOf(std::uint16_t declared) {
    switch (declared) {
    case kPropertyText:
        return kTagText;
    case kPropertyLogical:
        return kTagLogical;
    case kPropertyInteger:
        return kTagInteger;
    }
    return 0;
}

// The position of a unit: a control's within its window's client area, a window's on
// the screen.
RECT PlaceOf(const Target& target) {
    const UnitDescription& d = *target.unit->description;
    RECT place{d.left, d.top, d.left + d.width, d.top + d.height};
    if (!target.live) return place;
    HWND hwnd = target.unit->live->Handle();
    GetWindowRect(hwnd, &place);
    if (HWND parent = GetParent(hwnd); parent && (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD))
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

RawValue ReadCommon(const Target& target, std::int32_t index) {
    RawValue value;
    const UnitDescription& d = *target.unit->description;
    HWND hwnd = target.live ? target.unit->live->Handle() : nullptr;
    RECT place = PlaceOf(target);
    switch (index) {
    case kPropertyLeft:
        value.low = static_cast<std::uint32_t>(place.left);
        break;
    case kPropertyTop:
        value.low = static_cast<std::uint32_t>(place.top);
        break;
    case kPropertyWidth:
        value.low = static_cast<std::uint32_t>(place.right - place.left);
        break;
    case kPropertyHeight:
        value.low = static_cast<std::uint32_t>(place.bottom - place.top);
        break;
    case kPropertyTag:
        if (target.unit->live && !target.unit->live->tag.empty())
            value.low = TextWord(target.unit->live->tag.data());
        break;
    case kPropertyVisible:
        value.low = hwnd ? IsWindowVisible(hwnd) != FALSE : d.visible;
        break;
    case kPropertyDisabled:
        value.low = hwnd ? IsWindowEnabled(hwnd) == FALSE : d.disabled;
        break;
    default:
        break;
    }
    return value;
}

void WriteCommon(const Target& target, std::int32_t index, std::uint32_t low) {
    if (!target.live) return;
    UnitObject& object = *target.unit->live;
    HWND hwnd = object.Handle();
    RECT place = PlaceOf(target);
    int left = place.left, top = place.top, width = place.right - place.left,
        height = place.bottom - place.top;
    auto number = static_cast<std::int32_t>(low);
    switch (index) {
    case kPropertyLeft:
        left = number;
        break;
    case kPropertyTop:
        top = number;
        break;
    case kPropertyWidth:
        width = number;
        break;
    case kPropertyHeight:
        height = number;
        break;
    case kPropertyTag: {
        const char* text = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(low));
        object.tag.assign(text, text + std::strlen(text) + 1);
        return;
    }
    case kPropertyVisible:
        ShowWindow(hwnd, low ? SW_SHOWNA : SW_HIDE);
        return;
    case kPropertyDisabled:
        EnableWindow(hwnd, low ? FALSE : TRUE);
        return;
    default:
        return;
    }
    SetWindowPos(hwnd, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

TaggedValue ReadUnitProperty(std::uint32_t windowId, std::uint32_t unitId, std::int32_t index, std::int32_t) {
    Target target = Find(windowId, unitId, index);
    RawValue raw;
    if (index >= kFirstOwnProperty) {
        if (!target.live) ReportFatalError("指定窗口尚未载入", 0);
        if (!target.declaredType || !target.unit->type->get) return {};
        target.unit->type->get(*target.unit->live, index - kFirstOwnProperty, raw);
    } else if (target.declaredType) {
        raw = ReadCommon(target, index);
    }
    TaggedValue value{raw.low, raw.high, TagOf(target.declaredType)};
    if (target.declaredType == kPropertyText)
        value.low = TextWord(CopyText(reinterpret_cast<const char*>(static_cast<std::uintptr_t>(raw.low))));
    return value;
}

void WriteUnitProperty(std::uint32_t windowId, std::uint32_t unitId, std::int32_t index, std::int32_t,
                       std::uint32_t low, std::uint32_t) {
    Target target = Find(windowId, unitId, index);
    if (target.declaredType == kPropertyText && low == 0) low = TextWord(kEmptyText);
    if (index < kFirstOwnProperty) {
        if (target.declaredType) WriteCommon(target, index, low);
        return;
    }
    if (!target.live) ReportFatalError("指定窗口尚未载入", 0);
    if (!target.declaredType || !target.unit->type->set) return;
    target.unit->type->set(*target.unit->live, index - kFirstOwnProperty, RawValue{low, 0});
}
