#include "store/ServerConfig.h"

#include "store/Error.h"

#include <QFileInfo>
#include <QSettings>

namespace store {

namespace {

struct StoreKey {
    StoreKind kind;
    const char *key;
    const char *defaultSchema;
};

constexpr StoreKey kStoreKeys[] = {
    {StoreKind::Class, "stores/Class", "class"},
    {StoreKind::Reports, "stores/Reports", "reports"},
    {StoreKind::Secondary, "stores/OMZ2006", "omz2006"},
};

// The keys of libpq's that server.ini passes on: how the connection is
// protected and how the server proves who it is.
constexpr const char *kTransportKeys[] = {
    "sslmode", "sslrootcert", "sslcert", "sslkey", "sslcrl", "sslcrldir", "sslsni",
    "ssl_min_protocol_version", "ssl_max_protocol_version", "channel_binding", "gssencmode", "requirepeer",
};

bool isTransportKey(const QString &key)
{
    for (const char *known : kTransportKeys) {
        if (key == QLatin1String(known))
            return true;
    }
    return false;
}

bool isKnownKey(const QString &key)
{
    if (key.startsWith(QLatin1String("server/"))) {
        const QString name = key.mid(7);
        return name == QLatin1String("host") || name == QLatin1String("port") || name == QLatin1String("database")
            || name == QLatin1String("user") || isTransportKey(name);
    }
    for (const StoreKey &store : kStoreKeys) {
        if (key == QLatin1String(store.key))
            return true;
    }
    return false;
}

// The file is refused before anything is read from it: a password in it
// would sit in a shared folder, and a misspelt security setting would be
// silently left out.
void refuseUnknownKeys(const QSettings &ini, const QString &path)
{
    const QStringList keys = ini.allKeys();
    for (const QString &key : keys) {
        if (key.section(u'/', -1).contains(QLatin1String("password"), Qt::CaseInsensitive))
            throw Error(QStringLiteral("%1 holds a password; remove it and keep the password in ~/.pgpass, "
                                       "PGPASSWORD or a service file, or type it when asked.")
                            .arg(path));
    }
    for (const QString &key : keys) {
        if (!isKnownKey(key))
            throw Error(QStringLiteral("In %1 the key %2 is not known.").arg(path, key));
    }
}

QString &runPasswordSlot()
{
    static QString password;
    return password;
}

} // namespace

QString ServerConfig::describe() const
{
    QString text = QStringLiteral("database %1 on %2").arg(database, host.isEmpty() ? QStringLiteral("localhost") : host);
    if (!host.startsWith(u'/'))
        text += QStringLiteral(":%1").arg(port);
    if (!user.isEmpty())
        text += QStringLiteral(" as %1").arg(user);
    return text;
}

std::optional<ServerConfig> ServerConfig::read(const DataDir &dir)
{
    const QString path = dir.file(QString::fromLatin1(kServerFile));
    if (!QFileInfo::exists(path))
        return std::nullopt;
    if (!QFileInfo(path).isReadable())
        throw Error(QStringLiteral("%1 cannot be read.").arg(path));
    QSettings ini(path, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError)
        throw Error(QStringLiteral("%1 is not a valid connection file.").arg(path));
    refuseUnknownKeys(ini, path);

    ServerConfig config;
    config.host = ini.value(QStringLiteral("server/host")).toString().trimmed();
    config.database = ini.value(QStringLiteral("server/database")).toString().trimmed();
    config.user = ini.value(QStringLiteral("server/user")).toString().trimmed();
    const QString port = ini.value(QStringLiteral("server/port"), QStringLiteral("5432")).toString().trimmed();
    bool portOk = false;
    config.port = port.toInt(&portOk);
    if (!portOk || config.port < 1 || config.port > 65535)
        throw Error(QStringLiteral("In %1 the port \"%2\" is not a port number.").arg(path, port));
    if (config.database.isEmpty())
        throw Error(QStringLiteral("%1 names no database (database= in the [server] section).").arg(path));
    for (const char *key : kTransportKeys) {
        const QString value = ini.value(QStringLiteral("server/") + QLatin1String(key)).toString().trimmed();
        // Qt hands the options to libpq with every semicolon made a space.
        if (value.contains(u';'))
            throw Error(QStringLiteral("In %1 the value of %2 cannot hold a semicolon.").arg(path, QLatin1String(key)));
        if (!value.isEmpty())
            config.transport.append({QString::fromLatin1(key), value});
    }
    for (const StoreKey &store : kStoreKeys) {
        const QString schema = ini.value(QString::fromLatin1(store.key), QString::fromLatin1(store.defaultSchema))
                                   .toString()
                                   .trimmed();
        if (schema.isEmpty())
            throw Error(QStringLiteral("In %1 %2 names no schema.").arg(path, QString::fromLatin1(store.key)));
        config.schemas[int(store.kind)] = schema;
    }
    return config;
}

void ServerConfig::write(const QString &path) const
{
    QSettings ini(path, QSettings::IniFormat);
    ini.setValue(QStringLiteral("server/host"), host);
    ini.setValue(QStringLiteral("server/port"), port);
    ini.setValue(QStringLiteral("server/database"), database);
    ini.setValue(QStringLiteral("server/user"), user);
    for (const auto &[key, value] : transport)
        ini.setValue(QStringLiteral("server/") + key, value);
    for (const StoreKey &store : kStoreKeys)
        ini.setValue(QString::fromLatin1(store.key), schemas[int(store.kind)]);
    ini.sync();
    if (ini.status() != QSettings::NoError)
        throw Error(QStringLiteral("%1 cannot be written.").arg(path));
}

QString ServerConfig::connectOptions() const
{
    QStringList options;
    for (const auto &[key, value] : transport) {
        // A libpq connection string value: quoted, backslash and quote escaped.
        QString escaped = value;
        escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
        options.append(QStringLiteral("%1='%2'").arg(key, escaped));
    }
    return options.join(u';');
}

void ServerConfig::setRunPassword(const QString &password)
{
    runPasswordSlot() = password;
}

QString ServerConfig::runPassword()
{
    return runPasswordSlot();
}

} // namespace store
