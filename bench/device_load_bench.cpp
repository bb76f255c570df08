// Time to load one device (unscramble + parse + copy into the visible tree) beside the time to
// merely read the same file's bytes, so the ratio shows the loader's own overhead.
//
// The tree is the largest plain fixture tree, or the scrambled file named by ORVEX_BENCH_TREE
// (for example build/data/PIC/PIC18F97J60.cfgtree).

#include "configsession.h"
#include "configtreefile.h"
#include "scrambler.h"
#include "taglist.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>

namespace {

QTemporaryDir workDir;

QString prepareTreeFile()
{
    if (const char *given = std::getenv("ORVEX_BENCH_TREE"))
        return QString::fromLocal8Bit(given);
    QString largest;
    qint64 largestSize = -1;
    QDirIterator it(QStringLiteral(ORVEX_FIXTURES_DIR), {QStringLiteral("*.txt")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        if (info.path().endsWith(QLatin1String("/trees")) && info.size() > largestSize) {
            largest = info.filePath();
            largestSize = info.size();
        }
    }
    QFile plain(largest);
    if (!plain.open(QIODevice::ReadOnly))
        return {};
    const QString path = workDir.path() + QStringLiteral("/bench.cfgtree");
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return {};
    out.write(Scrambler::transform(plain.readAll()));
    std::fprintf(stderr, "tree: %s (%lld bytes)\n", qPrintable(largest), largestSize);
    return path;
}

const QString &treeFile()
{
    static const QString path = prepareTreeFile();
    return path;
}

void BM_ReadBytes(benchmark::State &state)
{
    for (auto _ : state) {
        QFile f(treeFile());
        if (!f.open(QIODevice::ReadOnly)) {
            state.SkipWithError("cannot open the tree file");
            return;
        }
        benchmark::DoNotOptimize(f.readAll());
    }
}

void BM_LoadDevice(benchmark::State &state)
{
    TagList configBits(QStringList{QString()});
    TagList newConfigBits(QStringList{QStringLiteral("CLKOUTEN"), QStringLiteral("FOSC")});
    for (auto _ : state) {
        ConfigSession session;
        session.findConfigBitLists = [&] {
            return ConfigSession::ConfigBitLists{&configBits, &newConfigBits};
        };
        Tree loader;
        LoadConfigTreeFile(treeFile(), loader);
        TreeNode *device = session.tree().appendTopLevel(loader.first()->text);
        session.CopyConfigTree(device, loader.first());
        benchmark::DoNotOptimize(session.tree().nodeCount());
    }
}

} // namespace

BENCHMARK(BM_ReadBytes);
BENCHMARK(BM_LoadDevice);
BENCHMARK_MAIN();
