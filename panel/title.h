// The main window's title. The contact and group numbers are placeholders that name
// no real account; change them here and nowhere else.
// Tested by tests/main_window_test.cpp (MainWindow.IsFixedAndStyledAsDesigned).
#pragma once

#define PANEL_AUTHOR_CONTACT "000000000"
#define PANEL_GROUP_NUMBER "000000000"

#define PANEL_TITLE "Quarvel1.1版本（QQ" PANEL_AUTHOR_CONTACT "）[GM技术交流群" PANEL_GROUP_NUMBER "]"
