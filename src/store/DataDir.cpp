#include "store/DataDir.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace store {

DataDir::DataDir(const QString &path) : m_path(QDir::cleanPath(QFileInfo(path).absoluteFilePath()))
{
}

QString DataDir::file(const QString &name) const
{
    return QDir(m_path).filePath(name);
}

bool DataDir::reportsInAccessFile() const
{
    return !QFileInfo::exists(file(QString::fromLatin1(kReportsDb)))
        && QFileInfo::exists(file(QString::fromLatin1(kReportsMdb)));
}

DataDir DataDir::resolve(const QString &option, const QString &applicationDir)
{
    if (!option.isEmpty())
        return DataDir(option);
    if (QFileInfo::exists(QDir(applicationDir).filePath(QString::fromLatin1(kClassDb))))
        return DataDir(applicationDir);
    return DataDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

} // namespace store
