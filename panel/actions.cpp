#include "panel/actions.h"

// The actions come with the shell services; until then the buttons are bound and
// do nothing.
void FillDefaultDirectory() {}
void BrowseForRoot() {}
void RunButtonAction() {}
