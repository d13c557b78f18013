// Files dragged from a file manager arrive as a list of URLs (text/uri-list).
#pragma once

#include <QStringList>

class QMimeData;

// The local paths of the dropped URLs, percent-encoding decoded, in the order given; other
// URLs (web addresses, remote files) are left out.
QStringList DroppedLocalPaths(const QMimeData* data);
