// Window titles that the desktop shows whole: a title bar cuts a title that is wider than
// the window, so a small window is made wide enough for its own.
#pragma once

class QString;

// The width a window needs for the title bar to show Title whole: the title in the title
// bar's font (bold and a step larger than the body text, as most desktops draw it) and room
// for the frame's buttons and margins.
int TitleBarWidth(const QString& title);
