// The routines bound to the main window's events (actions.h), and the way a press of a
// folder or file button takes from the click to Explorer or Notepad, step by step
// ("游戏公告", unit 按钮5, say):
// 1. The binding table: the button's row of kControls (panel/layout.cpp) binds its click
//    event to RunButtonAction (kActionClick: an EventBinding made by On,
//    host/description.h).
// 2. The click: the system button sends its window WM_COMMAND with BN_CLICKED. The
//    window's procedure (UnitObject::HostWindowProc, host/unit.cpp) hands it to
//    WindowObject::OnMessage, which passes it on through OnInputMessage to OnCommand
//    (host/window_type.cpp); OnCommand finds the button's object (HostObjectOf) and
//    calls its OnNotify (host/button.cpp), which raises the click event
//    (UnitObject::Raise, host/events.cpp).
// 3. The event: RaiseEvent (host/events.cpp) finds the routine that the unit's
//    description binds to the event, notes the unit as the event's source
//    (CurrentEventSource) and calls the routine.
// 4. RunButtonAction, here, takes the source unit's row of the action table (RowOfUnit,
//    by the unit's name; panel/action_table.h): OpenFolder, "\Mir200\Notice".
// 5. The property read: FolderOf reads the directory box's content with
//    ReadUnitProperty (host/properties.cpp), which calls the edit box type's get
//    (GetEditBoxProperty, then EditBoxObject::GetContent, host/edit_box.cpp: the box's
//    window text as it is now) and hands back a copy of it as a tagged value (AsText
//    takes the text out); the row's sub-path is joined to it.
// 6. The tagged arguments and the shell: ExploreFolder hands ExecuteShellOperation
//    (host/shell_commands.cpp) five TaggedValues (host/tagged_value.h): the integer 2,
//    the folder as a text and three omitted ones. It calls ShellExecuteA (through
//    CurrentShellCalls) with the verb "explore", the folder, no parameters, "" as the
//    directory and SW_SHOWNORMAL.
// A file button's row is an EditFile one: StartEditor hands RunCommand
// (host/shell_commands.cpp) the row's command line, no wait, the default show mode and
// the system folder's notepad.exe; RunCommand starts it with CreateProcessA and waits
// at most a second for Notepad to be idle.
// Tested by tests/panel_actions_test.cpp (PanelActions.*),
// tests/panel_end_to_end_test.cpp (the real Notepad and Explorer),
// tests/failure_paths_test.cpp and tests/soak_test.cpp.
#include "panel/actions.h"

#include <cstring>
#include <string_view>

#include "host/events.h"
#include "host/properties.h"
#include "host/shell_commands.h"
#include "host/system_library.h"
#include "host/text.h"
#include "host/window_load.h"
#include "panel/action_table.h"
#include "panel/layout.h"

namespace {

constexpr const char* kBrowsePrompt = "请选择一个路径";
constexpr std::int32_t kExplore = 2;
constexpr std::string_view kNotepad = "notepad ";

// Every file button's command line is Notepad's name and the file: what a screen
// reader is told it opens is the rest of it.
constexpr bool EveryCommandLineStartsNotepad() {
    for (const ActionRow& row : kActionTable) {
        if (row.kind == ActionKind::EditFile && !std::string_view(row.target).starts_with(kNotepad))
            return false;
    }
    return true;
}
static_assert(EveryCommandLineStartsNotepad());

void WriteDirectoryBox(const char* text) {
    WriteUnitProperty(kMainWindowId, kDirectoryBoxId, kEditBoxContent, kWholeValue, TextWord(text), 0);
}

void StartEditor(const ActionRow& row) {
    // Windows' own Notepad, by its full path: found by its bare name, a notepad.exe
    // lying beside the program or in the current folder would run instead. Its
    // command line stays as the row has it.
    OwnedText notepad(SystemFolderPath("notepad.exe"));
    const TaggedValue commandLine = TextArg(row.target);
    const TaggedValue waitForExit = LogicalArg(false);
    const TaggedValue showMode = kOmittedArg; // a normal window
    // Where the system folder cannot be read, the command line alone is given, and
    // Windows searches for notepad as CreateProcess does, the program's folder first.
    const TaggedValue programFile = notepad ? TextArg(notepad.get()) : kOmittedArg;
    TaggedValue args[] = {commandLine, waitForExit, showMode, programFile};
    TaggedValue result{};
    RunCommand(result, ArgumentCount(args), args); // a Notepad that does not start is not reported
}

// A folder button's folder: the directory box's text as it is now, whatever was typed
// or picked last, and the row's sub-path, joined as they stand.
char* FolderOf(const ActionRow& row) {
    OwnedText base(AsText(ReadUnitProperty(kMainWindowId, kDirectoryBoxId, kEditBoxContent, kWholeValue)));
    return JoinTexts({base.get(), row.target});
}

void ExploreFolder(const ActionRow& row) {
    OwnedText path(FolderOf(row));
    const TaggedValue operation = IntegerArg(kExplore);
    const TaggedValue target = TextArg(path.get());
    const TaggedValue noParameters = kOmittedArg, noDirectory = kOmittedArg, showMode = kOmittedArg;
    TaggedValue args[] = {operation, target, noParameters, noDirectory, showMode};
    TaggedValue result{};
    ExecuteShellOperation(result, ArgumentCount(args), args);
}

const ActionRow* RowOfUnit(const char* name) {
    for (const ActionRow& row : kActionTable) {
        if (!std::strcmp(row.unit, name)) return &row;
    }
    return nullptr;
}
const ActionRow* RowOfUnit(std::uint32_t unitId) {
    WindowEntry* entry = FindWindowEntry(kMainWindowId);
    Unit* unit = entry ? FindUnit(*entry, unitId) : nullptr;
    return unit ? RowOfUnit(unit->description->name) : nullptr;
}

} // namespace

void FillDefaultDirectory() {
    WriteDirectoryBox(kDefaultRoot);
}

void BrowseForRoot() {
    const TaggedValue prompt = TextArg(kBrowsePrompt);
    const TaggedValue includeFiles = kOmittedArg; // folders only
    TaggedValue args[] = {prompt, includeFiles};
    TaggedValue result{};
    BrowseForFolder(result, ArgumentCount(args), args);
    OwnedText chosen(AsText(result));
    // A cancelled dialog (or an item with no folder path) leaves what the user had.
    if (chosen) WriteDirectoryBox(chosen.get());
}

char* DescribeButtonAction(const UnitDescription& button) {
    const ActionRow* row = RowOfUnit(button.name);
    if (!row) return nullptr;
    if (row->kind == ActionKind::EditFile) return JoinTexts({"用记事本打开 ", row->target + kNotepad.size()});
    // A reader may ask while the window is being taken down, its box already gone.
    WindowEntry* entry = FindWindowEntry(kMainWindowId);
    Unit* box = entry ? FindUnit(*entry, kDirectoryBoxId) : nullptr;
    if (!box || !box->live || !box->live->Live()) return nullptr;
    OwnedText folder(FolderOf(*row));
    return JoinTexts({"用资源管理器打开 ", folder.get()});
}

char* DescribeBrowseForRoot(const UnitDescription&) {
    return CopyText("选择服务端目录");
}

void RunButtonAction() {
    const ActionRow* row = RowOfUnit(CurrentEventSource().unitId);
    if (!row) return;
    if (row->kind == ActionKind::EditFile) {
        StartEditor(*row);
    } else {
        ExploreFolder(*row);
    }
}
