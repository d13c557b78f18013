// The program's version text and the maker's homepage, shared by the splash and update windows.
#pragma once

#include <QString>

// The four dotted numbers compiled into the program ("1.0.0.0"); empty when there are none.
QString ProgramVersionText();
// The maker's homepage, beginning with "http://".
QString HomepageAddress();
// The address in a link label's caption: from its first "http://" on, at most 100 characters;
// empty when the caption holds none.
QString LinkFromCaption(const QString& caption);

// Names the program to Qt. No display name is given, so the window system shows each
// window's caption exactly as set, without " — BrelkExplorer" appended to it.
void SetProgramIdentity();
