// Opening the window on one object: every group of the tree expanded and the object's node
// selected with its details shown. The program does this when started with --select NAME
// (the demo uses it), so the first view shows the tree and an object rather than the root.
#pragma once

#include <QString>

class TfrmMain;

// Expands every group and selects the object whose full name is Name (letter case ignored).
// False, with only the groups expanded, when no object has that name.
bool OpenOnObject(TfrmMain& main, const QString& name);
