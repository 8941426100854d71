// The services through which the program reaches the rest of the desktop: starting a
// command line, handing a path to the shell with a verb, and the folder dialog.
// Host commands: the result is zeroed by the caller; omitted arguments take defaults.
// Tested by tests/shell_commands_test.cpp (RunCommand.*, ExecuteShellOperation.*,
// ShellSeam.*), tests/folder_dialog_test.cpp (FolderDialog.*) and
// tests/panel_end_to_end_test.cpp (the real Notepad and shell).
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "host/tagged_value.h"

// Command line (text); wait-for-exit (logical); show mode (1..6, optional); program
// file (text, optional: omitted, Windows looks for the command line's first word,
// in the program's folder and the current folder before the system's).
// Result, value low: 1 when the process was created, else 0.
void RunCommand(TaggedValue& result, int argCount, const TaggedValue* args);

// Operation type (1 edit, 2 explore, 3 find, 4 open, 5 print; other: the default
// verb); target (text); parameters, default directory (texts, optional); show mode
// (optional). No result.
void ExecuteShellOperation(TaggedValue& result, int argCount, const TaggedValue* args);

// Prompt (text); include-files (logical, optional). Result, value low: the chosen
// path as a new heap text owned by the caller, or the null text.
void BrowseForFolder(TaggedValue& result, int argCount, const TaggedValue* args);

// The Windows calls behind the services, replaceable where a test has to see exactly
// what was handed over.
struct ShellCalls {
    decltype(&CreateProcessA) createProcess = CreateProcessA;
    decltype(&ShellExecuteA) shellExecute = ShellExecuteA;
    decltype(&SHBrowseForFolderA) browseForFolder = SHBrowseForFolderA;
};
ShellCalls& CurrentShellCalls();
