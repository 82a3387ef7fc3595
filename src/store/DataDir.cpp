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

const char *storeFile(StoreKind kind)
{
    switch (kind) {
    case StoreKind::Class: return kClassDb;
    case StoreKind::Reports: return kReportsDb;
    case StoreKind::Secondary: return kSecondaryDb;
    }
    return kClassDb;
}

QString storeCaption(StoreKind kind)
{
    return QString::fromLatin1(storeFile(kind)).section(u'.', 0, 0);
}

bool DataDir::onServer() const
{
    return QFileInfo::exists(file(QString::fromLatin1(kServerFile)));
}

bool DataDir::reportsInAccessFile() const
{
    return !onServer() && !QFileInfo::exists(file(QString::fromLatin1(kReportsDb)))
        && QFileInfo::exists(file(QString::fromLatin1(kReportsMdb)));
}

DataDir DataDir::resolve(const QString &option, const QString &applicationDir)
{
    if (!option.isEmpty())
        return DataDir(option);
    const QDir own(applicationDir);
    if (QFileInfo::exists(own.filePath(QString::fromLatin1(kClassDb)))
        || QFileInfo::exists(own.filePath(QString::fromLatin1(kServerFile))))
        return DataDir(applicationDir);
    return DataDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

} // namespace store
