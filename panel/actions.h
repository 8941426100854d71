// What the panel does: the handlers bound to the main window's events, and the
// action table behind its 45 file and folder buttons.
#pragma once

#include <cstddef>

// The root the directory box holds when the window opens: its text in the layout, and
// written into it again when the window is made.
inline constexpr char kDefaultRoot[] = "D:\\mirserver";

// Creation of the main window: the directory box gets the default root.
void FillDefaultDirectory();
// The browse button: the folder dialog's choice goes into the directory box.
void BrowseForRoot();
// Every file and folder button: the row of the action table for the clicked button.
void RunButtonAction();

// What a press of a button does, for a screen reader, as a new heap text: the file it
// opens in Notepad, or the folder it opens in Explorer as the directory box makes it now.
struct UnitDescription;
char* DescribeButtonAction(const UnitDescription& button);
char* DescribeBrowseForRoot(const UnitDescription& button);

enum class ActionKind { EditFile, OpenFolder };

struct ActionRow {
    const char* unit;    // the button's unit name
    const char* caption; // as the layout shows it
    ActionKind kind;
    // EditFile: the whole command line; OpenFolder: the sub-path joined to the
    // directory box's text.
    const char* target;
};
