// What the panel does: the handlers bound to the main window's events.
#pragma once

// Creation of the main window: the directory box gets the default root.
void FillDefaultDirectory();
// The browse button: the folder dialog's choice goes into the directory box.
void BrowseForRoot();
// Every file and folder button: the row of the action table for the clicked button.
void RunButtonAction();
