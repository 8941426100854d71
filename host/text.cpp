#include "host/text.h"

#include <array>
#include <cstring>
#include <limits>

#include "host/characters.h"

std::uint32_t TextLength(const char* text) {
    return text ? static_cast<std::uint32_t>(std::strlen(text)) : 0;
}

char* JoinTexts(std::initializer_list<const char*> texts) {
    // Each input is measured once; the lengths wait in a small list until the copy.
    std::array<std::uint32_t, 16> fixed{};
    std::unique_ptr<std::uint32_t[]> spilled;
    std::uint32_t* lengths = fixed.data();
    if (texts.size() > fixed.size()) {
        spilled.reset(new std::uint32_t[texts.size()]);
        lengths = spilled.get();
    }

    std::uint64_t total = 1;
    std::size_t i = 0;
    for (const char* text : texts) {
        lengths[i] = TextLength(text);
        total += lengths[i++];
    }
    // A sum past 4 GiB cannot be allocated in this process; asking for its truncated
    // value instead would overrun the block.
    if (total > std::numeric_limits<std::uint32_t>::max()) total = std::numeric_limits<std::uint32_t>::max();

    auto* result = static_cast<char*>(AllocateBlock(static_cast<std::uint32_t>(total)));
    char* out = result;
    i = 0;
    for (const char* text : texts) {
        if (lengths[i]) std::memcpy(out, text, lengths[i]);
        out += lengths[i++];
    }
    *out = '\0';
    return result;
}

char* CopyText(const char* text) {
    if (!text || !*text) return nullptr;
    std::uint32_t length = TextLength(text);
    auto* copy = static_cast<char*>(AllocateBlock(length + 1));
    std::memcpy(copy, text, length + 1);
    return copy;
}

const char* FindLastCharacter(const char* text, char c) {
    const char* found = nullptr;
    if (!text) return found;
    for (const char* p = text; *p; p = NextCharacter(p)) {
        if (*p == c) found = p;
    }
    return found;
}
