#pragma once

#include <QString>

// Where "Zrób zdjęcie" saves. The program's own folder while the program may write there (a
// build folder, a copy in the user's home); an installed copy sits in a system folder such as
// /usr/bin, so it saves into the user's pictures folder instead (XDG_PICTURES_DIR as Qt reads
// it), created if missing, or into the home folder when that cannot be made. GUI thread.
QString SnapshotFolder(const QString& programFolder);

// The snapshot's file: the folder above, a separator, the name exactly as typed, ".bmp". A
// relative sub-folder in the name stays relative to that folder; it is never created.
QString SnapshotPath(const QString& programFolder, const QString& name);
