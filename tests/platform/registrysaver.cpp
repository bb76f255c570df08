// Helper for the store tests: saves to a store in a loop so that it can be killed mid-save, or
// increments a counter under the store's lock a given number of times.

#include "registrystore.h"

#include <QCoreApplication>
#include <QString>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fputs("usage: registrysaver STORE generations|count N\n", stderr);
        return 2;
    }
    RegistryStore store(args[1]);
    const int n = args[3].toInt();

    if (args[2] == QLatin1String("generations")) {
        // Every save writes one generation number into all values, so a store holding a mix
        // of generations is a torn save.
        std::fputs("saving\n", stdout);
        std::fflush(stdout);
        for (int generation = 1; n == 0 || generation <= n; ++generation) {
            store.update([&](RegistryData &data) {
                for (int i = 0; i < 200; ++i) {
                    data.setValue(QStringLiteral("Software\\Test"), QStringLiteral("v%1").arg(i),
                                  RegistryValue::fromString(
                                      QStringLiteral("%1 ").arg(generation).repeated(300)));
                }
            });
            if (generation == 1) {
                std::fputs("saved\n", stdout);
                std::fflush(stdout);
            }
        }
        return 0;
    }
    if (args[2] == QLatin1String("count")) {
        for (int i = 0; i < n; ++i) {
            const bool ok = store.update([](RegistryData &data) {
                const RegistryData::Key &key = data.createKey(QStringLiteral("Software\\Test"));
                const RegistryValue *v = RegistryData::value(key, QStringLiteral("Count"));
                const quint32 count = v ? v->dword : 0;
                data.setValue(QStringLiteral("Software\\Test"), QStringLiteral("Count"),
                              RegistryValue::fromDword(count + 1));
            });
            if (!ok)
                return 1;
        }
        return 0;
    }
    return 2;
}
