// Reading and writing a property of a unit of a window in the window list.
// Tested by tests/host_runtime_test.cpp
// (HostRuntime.EditBoxContentIsCopiedInAndOutAndEachWriteRaisesOneChange) and
// tests/host_process_test.cpp
// (HostProcess.PropertiesOfAMissingControlOrWindowAreReported).
#pragma once

#include <cstdint>

#include "host/tagged_value.h"

// Common properties of every unit type; the type's own start at 8.
enum CommonProperty : std::int32_t {
    kPropertyLeft = 0,
    kPropertyTop = 1,
    kPropertyWidth = 2,
    kPropertyHeight = 3,
    kPropertyTag = 4,
    kPropertyVisible = 5,
    kPropertyDisabled = 6,
    kPropertyMousePointer = 7,
    kFirstOwnProperty = 8,
};
inline constexpr std::int32_t kWholeValue = -1; // part selector
// An edit box's first own property: its content.
inline constexpr std::int32_t kEditBoxContent = kFirstOwnProperty;

// The value of a property; a text property gives a new heap text owned by the caller,
// or the null text. Value low carries the value, the tag its kind.
TaggedValue ReadUnitProperty(std::uint32_t windowId, std::uint32_t unitId, std::int32_t index,
                             std::int32_t part);
// A text written is copied by the unit; the caller keeps its own.
void WriteUnitProperty(std::uint32_t windowId, std::uint32_t unitId, std::int32_t index, std::int32_t part,
                       std::uint32_t low, std::uint32_t high);

inline char* AsText(const TaggedValue& value) {
    return reinterpret_cast<char*>(static_cast<std::uintptr_t>(value.low));
}
inline std::uint32_t TextWord(const char* text) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(text));
}
