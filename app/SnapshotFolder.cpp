#include "app/SnapshotFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The path with its links resolved; a path that does not exist (yet) is only made absolute and
// clean, so that it can still be compared.
QString Resolved(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QDir(path).absolutePath()) : canonical;
}

bool IsWithin(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder.endsWith('/') ? folder : folder + '/');
}

} // namespace

bool IsInstallLocation(const QString& folder, const QString& prefix) {
    QStringList locations = {"/usr", "/opt", "/bin"};
    if (!prefix.isEmpty())
        locations.append(prefix);
    const QString path = Resolved(folder);
    for (const QString& location : locations) {
        if (IsWithin(path, Resolved(location)))
            return true;
    }
    return false;
}

QString UserFolder(QStandardPaths::StandardLocation kind, const QString& installPrefix) {
    const QString folder = QStandardPaths::writableLocation(kind);
    if (!folder.isEmpty() && !IsInstallLocation(folder, installPrefix) && QDir().mkpath(folder))
        return folder;
    return QDir::homePath();
}

QString UserFolder(QStandardPaths::StandardLocation kind) {
    return UserFolder(kind, QStringLiteral(TARNOLIX_INSTALL_PREFIX));
}

QString SnapshotFolder(const QString& programFolder, const QString& installPrefix) {
    const QFileInfo program(programFolder);
    if (program.isDir() && program.isWritable() && !IsInstallLocation(programFolder, installPrefix))
        return programFolder;
    return UserFolder(QStandardPaths::PicturesLocation, installPrefix);
}

QString SnapshotFolder(const QString& programFolder) {
    return SnapshotFolder(programFolder, QStringLiteral(TARNOLIX_INSTALL_PREFIX));
}

QString SnapshotPath(const QString& programFolder, const QString& name) {
    return SnapshotFolder(programFolder) + QDir::separator() + name + ".bmp";
}
