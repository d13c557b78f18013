// Files dragged from a file manager arrive as a list of URLs (text/uri-list).
#pragma once

#include <QStringList>

class QDropEvent;
class QMimeData;

// The local paths of the dropped URLs, percent-encoding decoded, in the order given; other
// URLs (web addresses, remote files) are left out.
QStringList DroppedLocalPaths(const QMimeData* data);

// Accepts a drop of files from elsewhere as a copy, never as a move: a file manager that is
// answered "moved" deletes the user's originals. An offer that allows no copy is refused.
// True when the drop was accepted.
bool AcceptAsCopy(QDropEvent& event);
