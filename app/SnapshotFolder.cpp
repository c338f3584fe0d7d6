#include "app/SnapshotFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString SnapshotFolder(const QString& programFolder) {
    const QFileInfo program(programFolder);
    if (program.isDir() && program.isWritable())
        return programFolder;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QDir().mkpath(pictures))
        return pictures;
    return QDir::homePath();
}

QString SnapshotPath(const QString& programFolder, const QString& name) {
    return SnapshotFolder(programFolder) + QDir::separator() + name + ".bmp";
}
