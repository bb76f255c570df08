#include "registrystore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

const QString testKey = QStringLiteral("Software\\Test");

class RegistryStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString storePath() const { return dir.filePath(QStringLiteral("Tarnwell/Orvex/user.reg")); }

    void writeRaw(const QByteArray &bytes)
    {
        QDir().mkpath(dir.filePath(QStringLiteral("Tarnwell/Orvex")));
        QFile f(storePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray readRaw(const QString &path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

} // namespace

TEST_F(RegistryStoreTest, UserStoreFollowsXdgConfigHome)
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    EXPECT_EQ(RegistryStore::userStorePath(), storePath());
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(RegistryStore::userStorePath(),
              QDir::homePath() + QStringLiteral("/.config/Tarnwell/Orvex/user.reg"));
    qputenv("XDG_CONFIG_HOME", saved);
}

TEST_F(RegistryStoreTest, OpenKeyCreatesItAndUpdatesPersist)
{
    RegistryStore store(storePath());
    EXPECT_TRUE(store.load().keys().isEmpty());
    EXPECT_FALSE(QFile::exists(storePath())) << "reading creates nothing";

    EXPECT_TRUE(store.openKey(QStringLiteral("Software\\Tarnwell\\Orvex")).values.isEmpty());
    EXPECT_NE(RegistryStore(storePath()).load().key(QStringLiteral("software\\tarnwell\\orvex")),
              nullptr);

    ASSERT_TRUE(store.update([](RegistryData &d) {
        d.setValue(QStringLiteral("Software\\Tarnwell\\Orvex"), QStringLiteral("top"),
                   RegistryValue::fromString(QStringLiteral("12")));
    }));
    const RegistryData::Key key =
        RegistryStore(storePath()).openKey(QStringLiteral("Software\\Tarnwell\\Orvex"));
    ASSERT_EQ(key.values.size(), 1);
    EXPECT_EQ(key.values[0].value.text, QStringLiteral("12"));
}

TEST_F(RegistryStoreTest, MalformedStoreIsSetAsideAndStartsEmpty)
{
    const QByteArray garbage("WINE REGISTRY Version 2\n\"orphan\"=\"x\"\n");
    writeRaw(garbage);
    RegistryStore store(storePath());
    EXPECT_TRUE(store.load().keys().isEmpty());
    EXPECT_EQ(readRaw(storePath() + QStringLiteral(".bad")), garbage);
    EXPECT_FALSE(QFile::exists(storePath()));

    ASSERT_TRUE(store.update([](RegistryData &d) { d.createKey(testKey); }));
    EXPECT_NE(store.load().key(testKey), nullptr);

    // A second bad file replaces the first one set aside.
    writeRaw("\x7f"
             "ELF garbage");
    ASSERT_TRUE(store.update([](RegistryData &d) {
        d.setValue(testKey, QStringLiteral("a"), RegistryValue::fromDword(1));
    }));
    EXPECT_EQ(readRaw(storePath() + QStringLiteral(".bad")), QByteArray("\x7f"
                                                                        "ELF garbage"));
    const RegistryData data = store.load();
    ASSERT_NE(data.key(testKey), nullptr);
    EXPECT_EQ(data.key(testKey)->values.size(), 1);
}

TEST_F(RegistryStoreTest, UnwritableFolderFailsWithoutThrowing)
{
    writeRaw("");
    RegistryStore store(storePath() + QStringLiteral("/inside-a-file.reg"));
    EXPECT_FALSE(store.update([](RegistryData &d) { d.createKey(testKey); }));
    EXPECT_TRUE(store.openKey(testKey).values.isEmpty());
}

// A process killed at any point of a save leaves the old or the new hive, never a torn one.
TEST_F(RegistryStoreTest, KilledSaverNeverLeavesATornStore)
{
    QRandomGenerator random(12345);
    int seenGenerations = 0;
    for (int round = 0; round < 200; ++round) {
        QProcess saver;
        saver.start(QStringLiteral(REGISTRY_SAVER_PATH),
                    {storePath(), QStringLiteral("generations"), QStringLiteral("0")});
        ASSERT_TRUE(saver.waitForReadyRead(10000));
        // The first round waits for one completed save, so the rounds after it (however slow
        // this build saves) always kill a saver that replaces an existing store.
        while (round == 0 && !saver.readAll().contains("saved"))
            ASSERT_TRUE(saver.waitForReadyRead(10000));
        QThread::usleep(random.bounded(15000));
        saver.kill();
        saver.waitForFinished();

        ASSERT_FALSE(QFile::exists(storePath() + QStringLiteral(".bad"))) << "round " << round;
        const RegistryData data = RegistryStore(storePath()).load();
        const RegistryData::Key *key = data.key(testKey);
        if (!key) {
            // Only before the first completed save may the store be empty.
            ASSERT_EQ(seenGenerations, 0) << "round " << round;
            continue;
        }
        ASSERT_EQ(key->values.size(), 200) << "round " << round;
        const QString first = key->values[0].value.text;
        for (const RegistryData::NamedValue &v : key->values)
            ASSERT_EQ(v.value.text, first) << "round " << round;
        ++seenGenerations;
    }
    EXPECT_GT(seenGenerations, 0) << "no kill landed after a completed save";
}

TEST_F(RegistryStoreTest, ConcurrentSaversLoseNoUpdate)
{
    QProcess a, b;
    const QStringList args = {storePath(), QStringLiteral("count"), QStringLiteral("150")};
    a.start(QStringLiteral(REGISTRY_SAVER_PATH), args);
    b.start(QStringLiteral(REGISTRY_SAVER_PATH), args);
    ASSERT_TRUE(a.waitForFinished(60000));
    ASSERT_TRUE(b.waitForFinished(60000));
    EXPECT_EQ(a.exitCode(), 0);
    EXPECT_EQ(b.exitCode(), 0);
    const RegistryData data = RegistryStore(storePath()).load();
    ASSERT_NE(data.key(testKey), nullptr);
    const RegistryValue *count = RegistryData::value(*data.key(testKey), QStringLiteral("Count"));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->dword, 300u);
}
