#include "registrystore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// A hive is a handful of values; anything far larger is not ours.
constexpr qint64 maxStoreSize = 16 * 1024 * 1024;
// A save takes milliseconds, so an old lock belongs to a process that died while holding it.
constexpr int staleLockMs = 5000;
constexpr int lockWaitMs = 10000;

enum class ReadResult { Ok, Missing, Unreadable, Malformed };

ReadResult readStore(const QString &path, RegistryData &data, QByteArray *raw = nullptr)
{
    QFile file(path);
    if (!file.exists())
        return ReadResult::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return ReadResult::Unreadable;
    if (file.size() > maxStoreSize)
        return ReadResult::Malformed;
    const QByteArray bytes = file.read(maxStoreSize + 1);
    if (bytes.size() > maxStoreSize)
        return ReadResult::Malformed;
    auto parsed = RegistryData::parse(bytes);
    if (!parsed)
        return ReadResult::Malformed;
    data = std::move(*parsed);
    if (raw)
        *raw = bytes;
    return ReadResult::Ok;
}

void setAside(const QString &path)
{
    const QString bad = path + QStringLiteral(".bad");
    QFile::remove(bad);
    if (!QFile::rename(path, bad))
        QFile::remove(path);
}

} // namespace

QString RegistryStore::userStorePath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Tarnwell/Orvex/user.reg");
}

RegistryStore::RegistryStore(QString filePath) : m_filePath(std::move(filePath)) {}

RegistryData RegistryStore::load() const
{
    RegistryData data;
    if (readStore(m_filePath, data) != ReadResult::Malformed)
        return data;
    // Look again under the lock: another process may have replaced the file in between.
    if (!QDir().mkpath(QFileInfo(m_filePath).absolutePath()))
        return {};
    QLockFile lock(m_filePath + QStringLiteral(".lock"));
    lock.setStaleLockTime(staleLockMs);
    if (!lock.tryLock(lockWaitMs))
        return {};
    return loadLocked();
}

RegistryData RegistryStore::loadLocked() const
{
    RegistryData data;
    if (readStore(m_filePath, data) == ReadResult::Malformed) {
        setAside(m_filePath);
        return {};
    }
    return data;
}

bool RegistryStore::update(const std::function<void(RegistryData &)> &change)
{
    if (!QDir().mkpath(QFileInfo(m_filePath).absolutePath()))
        return false;
    QLockFile lock(m_filePath + QStringLiteral(".lock"));
    lock.setStaleLockTime(staleLockMs);
    if (!lock.tryLock(lockWaitMs))
        return false;

    RegistryData data;
    QByteArray before;
    const ReadResult read = readStore(m_filePath, data, &before);
    if (read == ReadResult::Unreadable)
        return false; // never overwrite what we could not read
    if (read == ReadResult::Malformed) {
        setAside(m_filePath);
        data = {};
    }
    change(data);
    const QByteArray after = data.serialize();
    if (read == ReadResult::Ok && after == before)
        return true;

    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(after) != after.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

RegistryData::Key RegistryStore::openKey(const QString &path)
{
    const RegistryData data = load();
    if (const RegistryData::Key *key = data.key(path))
        return *key;
    RegistryData::Key created;
    update([&](RegistryData &d) { created = d.createKey(path); });
    return created;
}
