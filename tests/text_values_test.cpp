// Text values in this process: GBK byte counts, null versus empty, ownership of
// heap texts and the literal texts that are never freed.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "host/tagged_value.h"
#include "host/text.h"
#include "tests/support/child_process.h"

namespace {

std::size_t BlockSize(const void* block) {
    return HeapSize(GetProcessHeap(), 0, block);
}

// The compiler writes every literal in GBK: 编 is B1 E0, two bytes a character.
static_assert(static_cast<unsigned char>("编"[0]) == 0xB1 && static_cast<unsigned char>("编"[1]) == 0xE0);
static_assert(sizeof "编辑框目录" == 11);

TEST(TextValues, TheAnsiCodePageIsGbkAndLiteralsAreGbkBytes) {
    EXPECT_EQ(GetACP(), 936u);
    EXPECT_EQ(TextLength("编辑框目录"), 10u);
    EXPECT_EQ(TextLength("编辑框"), 6u);
    EXPECT_EQ(TextLength("D:\\mirserver"), 12u);
}

// Under the suite's harness Wine gets a short list of variables (scripts/wine-env.sh)
// and nothing of the shell that started the run: ctest gives this program's runs
// PANEL_CALLERS_OWN, which must not reach it, while the suite's time zone does.
TEST(SuiteEnvironment, NothingOfTheCallersShellReachesTheProgram) {
    if (!GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version"))
        GTEST_SKIP() << "the harness is Wine's";
    char value[64] = "";
    EXPECT_EQ(GetEnvironmentVariableA("PANEL_CALLERS_OWN", value, sizeof value), 0u)
        << "the caller's variable reached the program: " << value;
    EXPECT_EQ(GetEnvironmentVariableA("TZ", value, sizeof value), 3u);
    EXPECT_STREQ(value, "UTC");
    EXPECT_EQ(GetEnvironmentVariableA("LANGUAGE", nullptr, 0), 0u);
}

TEST(TextValues, NullAndEmptyMeanTheSameEverywhere) {
    EXPECT_EQ(TextLength(nullptr), 0u);
    EXPECT_EQ(TextLength(""), 0u);
    EXPECT_EQ(CopyText(nullptr), nullptr);
    EXPECT_EQ(CopyText(""), nullptr);

    for (auto pair :
         {std::pair<const char*, const char*>{nullptr, nullptr}, {"", nullptr}, {nullptr, ""}, {"", ""}}) {
        OwnedText joined(JoinTexts({pair.first, pair.second}));
        ASSERT_NE(joined, nullptr) << "joining gives an allocated text, the empty one included";
        EXPECT_EQ(joined.get()[0], '\0');
        EXPECT_EQ(BlockSize(joined.get()), 1u);
        EXPECT_FALSE(IsConstantText(joined.get()));
    }

    OwnedText bare(JoinTexts({nullptr, "\\Mir200\\Notice"}));
    EXPECT_STREQ(bare.get(), "\\Mir200\\Notice");
    EXPECT_EQ(BlockSize(bare.get()), 15u);
}

TEST(TextValues, JoinTakesOneBlockOfExactlyTheNeededSize) {
    OwnedText path(JoinTexts({"D:\\mirserver", "\\Mir200\\Notice"}));
    EXPECT_STREQ(path.get(), "D:\\mirserver\\Mir200\\Notice");
    EXPECT_EQ(BlockSize(path.get()), 27u);

    OwnedText doubled(JoinTexts({"E:\\srv\\", "\\Mir200\\Envir\\MonItems"}));
    EXPECT_STREQ(doubled.get(), "E:\\srv\\\\Mir200\\Envir\\MonItems") << "nothing is added or removed";

    OwnedText gbk(JoinTexts({"编辑框", "目录", nullptr, " x "}));
    EXPECT_STREQ(gbk.get(), "编辑框目录 x ");
    EXPECT_EQ(BlockSize(gbk.get()), 14u);

    // More inputs than fit the join's small list of lengths.
    OwnedText many(JoinTexts({"a", "b", "c", "d", "e", "f", "g", "h", "i", "j",
                              "k", "l", "m", "n", "o", "p", "q", "r", "s", "t"}));
    EXPECT_STREQ(many.get(), "abcdefghijklmnopqrst");
    EXPECT_EQ(BlockSize(many.get()), 21u);
}

TEST(TextValues, CopyGivesANewBlockEachTime) {
    const char* source = "请选择一个路径";
    OwnedText first(CopyText(source));
    OwnedText second(CopyText(source));
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first.get(), source);
    EXPECT_NE(first.get(), second.get());
    EXPECT_STREQ(first.get(), source);
    EXPECT_EQ(BlockSize(first.get()), std::strlen(source) + 1);

    first.get()[0] = 'X';
    EXPECT_STREQ(second.get(), source) << "copies share nothing";
}

TEST(TextValues, FreeLeavesLiteralsAndTheNullTextAlone) {
    const char* literal = "D:\\mirserver";
    EXPECT_TRUE(IsConstantText(literal));
    EXPECT_TRUE(IsConstantText(kEmptyText));
    char onStack[] = "x";
    EXPECT_FALSE(IsConstantText(onStack));

    // The heap refuses a block that is not its own, and says so in the last error.
    SetLastError(ERROR_SUCCESS);
    FreeBlock(nullptr);
    FreeBlock(literal);
    FreeBlock(kEmptyText);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "a literal was handed to the heap";
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));

    // A heap text goes back to the heap. A heap may keep a freed block for itself a
    // while (Windows' low-fragmentation heap does, and so does a newer Wine's), so what
    // shows is growth over many: a thousand texts that were not freed would be a
    // thousand busy blocks more.
    std::size_t busy = observe::ProcessHeapUse().blocks;
    for (int i = 0; i < 1000; ++i)
        FreeBlock(CopyText(literal));
    if (!observe::HeapCheckerOn()) {
        EXPECT_LE(observe::ProcessHeapUse().blocks, busy + 16) << "heap texts go back to the heap";
    }
}

TEST(TextValues, AllocateBlockComesFromTheProcessHeap) {
    void* block = AllocateBlock(300);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(BlockSize(block), 300u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 8, 0u);
    FreeBlock(block);
    void* empty = AllocateBlock(0);
    EXPECT_NE(empty, nullptr);
    FreeBlock(empty);
}

TEST(TaggedValues, OmittedArgumentsReadAsZero) {
    const TaggedValue args[] = {TextArg("notepad x.txt"), kOmittedArg, IntegerArg(-5), LogicalArg(true)};
    EXPECT_FALSE(IsOmitted(4, args, 0));
    EXPECT_TRUE(IsOmitted(4, args, 1));
    EXPECT_TRUE(IsOmitted(4, args, 4)) << "an argument beyond the count is omitted";
    EXPECT_STREQ(ArgText(4, args, 0), "notepad x.txt");
    EXPECT_EQ(ArgText(4, args, 1), nullptr);
    EXPECT_EQ(ArgInteger(4, args, 1), 0);
    EXPECT_EQ(ArgInteger(4, args, 2), -5);
    EXPECT_TRUE(ArgLogical(4, args, 3));
    EXPECT_FALSE(ArgLogical(4, args, 1));
    EXPECT_EQ(args[0].tag, kTagText);
}

} // namespace
