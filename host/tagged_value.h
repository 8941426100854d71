// Arguments and results of host commands: (value low, value high, type tag) triples.
// A tag of 0 marks an omitted argument, for which the command applies its own default.
// Tested by tests/text_values_test.cpp (TaggedValues.*) and
// tests/shell_commands_test.cpp, whose commands take them.
#pragma once

#include <cstddef>
#include <cstdint>

struct TaggedValue {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    std::uint32_t tag = 0;
};
static_assert(sizeof(TaggedValue) == 12);

enum TypeTag : std::uint32_t {
    kTagOmitted = 0,
    kTagLogical = 0x80000002,
    kTagText = 0x80000004,
    kTagInteger = 0x80000301,
};

// A host command: the result is zeroed by the caller, then written by the command.
using HostCommand = void (*)(TaggedValue& result, int argCount, const TaggedValue* args);

inline TaggedValue TextArg(const char* text) {
    return {static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(text)), 0, kTagText};
}
constexpr TaggedValue IntegerArg(std::int32_t value) {
    return {static_cast<std::uint32_t>(value), 0, kTagInteger};
}
constexpr TaggedValue LogicalArg(bool value) {
    return {value ? 1u : 0u, 0, kTagLogical};
}
inline constexpr TaggedValue kOmittedArg{};
// How many arguments a host command is handed: the whole list, counted by the compiler.
template <std::size_t N> constexpr int ArgumentCount(const TaggedValue (&)[N]) {
    return static_cast<int>(N);
}

inline bool IsOmitted(int argCount, const TaggedValue* args, int index) {
    return index >= argCount || args[index].tag == kTagOmitted;
}
// An omitted argument read without a test for its omission reads as zero.
inline const char* ArgText(int argCount, const TaggedValue* args, int index) {
    return index < argCount ? reinterpret_cast<const char*>(static_cast<std::uintptr_t>(args[index].low))
                            : nullptr;
}
inline std::int32_t ArgInteger(int argCount, const TaggedValue* args, int index) {
    return index < argCount ? static_cast<std::int32_t>(args[index].low) : 0;
}
inline bool ArgLogical(int argCount, const TaggedValue* args, int index) {
    return index < argCount && args[index].low != 0;
}
