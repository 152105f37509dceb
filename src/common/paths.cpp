#include "common/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace brela {

bool keepsFilesBeside(const QString& exeDir)
{
    const QFileInfo info(exeDir);
    // Installed by the package the executable lives under /usr, which root
    // could write to: the library still belongs to each user.
    const bool installed = exeDir == QStringLiteral("/usr") || exeDir.startsWith(QStringLiteral("/usr/"));
    return !exeDir.isEmpty() && !installed && info.isDir() && info.isWritable();
}

QString programFolder()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (keepsFilesBeside(exeDir))
        return exeDir;
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.brela");
    QDir().mkpath(data);
    return data;
}

QString folderFile(const QString& folder, const QString& name)
{
    return QDir(folder).filePath(name);
}

} // namespace brela
