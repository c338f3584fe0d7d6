#pragma once

#include <QStandardPaths>
#include <QString>

// Where "Zrób zdjęcie" saves. The program's own folder while it is no install location and the
// program may write there (a build folder, a copy in the user's home); an installed copy sits in
// a system folder such as /usr/bin, where even root must not leave pictures, so it saves into the
// user's pictures folder instead (XDG_PICTURES_DIR as Qt reads it), created if missing, or into
// the home folder when that cannot be made. The one-argument form takes the install prefix the
// program was built for. GUI thread.
QString SnapshotFolder(const QString& programFolder);
QString SnapshotFolder(const QString& programFolder, const QString& installPrefix);

// The user's folder of a kind (pictures: XDG_PICTURES_DIR, videos: XDG_VIDEOS_DIR, as Qt reads
// them from user-dirs.dirs, else ~/Pictures, ~/Videos), created if missing; the home folder when
// it cannot be made or lies in an install location. The two-argument form takes the prefix.
QString UserFolder(QStandardPaths::StandardLocation kind);
QString UserFolder(QStandardPaths::StandardLocation kind, const QString& installPrefix);

// Whether `folder` lies in an install location: `prefix` (none when empty), /usr, /opt or /bin.
// Both sides are compared with their links resolved, by whole path components: /usr/bin is in
// one, /usrlocal is not.
bool IsInstallLocation(const QString& folder, const QString& prefix);

// The snapshot's file: the folder above, a separator, the name exactly as typed, ".bmp". A
// relative sub-folder in the name stays relative to that folder; it is never created.
QString SnapshotPath(const QString& programFolder, const QString& name);
