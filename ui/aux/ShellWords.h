// Splitting a command-line text into words the way a POSIX shell splits a simple command,
// without running a shell and without expanding anything.
#pragma once

#include <QString>
#include <QStringList>

// Blanks (space, tab, newline) separate words. Inside '...' every character stands for
// itself. Inside "..." a backslash escapes only $, `, ", \ and a newline; elsewhere it stands
// for itself. Outside quotes a backslash makes the next character literal, and a backslash
// before a newline joins the lines. Quoted parts join the text beside them into one word; ""
// or '' alone is an empty word. A quote left open runs to the end of the text, and a
// backslash at the very end stands for itself.
QStringList SplitShellWords(const QString& text);
