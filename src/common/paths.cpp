#include "common/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace brela {

QString programFolder()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QFileInfo info(exeDir);
    if (!exeDir.isEmpty() && info.isDir() && info.isWritable())
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
