// Time of one full regeneration of the largest fixture device, in each style and line mode, beside
// the time of loading that device (unscramble, parse, copy into the view tree) in the same run.

#include "configsession.h"
#include "generator.h"
#include "scrambler.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>

namespace {

const QString mcu = QStringLiteral("18F2550");

class ListSink : public OutputSink {
public:
    QStringList lines;
    void clearLines() override { lines.clear(); }
    void appendLine(const QString &line) override { lines.append(line); }
    void setLexerByName(const QString &) override {}
};

// A data folder holding the scrambled fixture, made the working directory for the whole run.
struct DataFolder {
    QTemporaryDir dir;
    DataFolder()
    {
        QFile plain(QStringLiteral(ORVEX_FIXTURES_DIR "/generate/trees/p18f2550.txt"));
        if (!plain.open(QIODevice::ReadOnly))
            std::abort();
        QDir(dir.path()).mkpath(QStringLiteral("PIC"));
        QFile out(dir.path() + QStringLiteral("/PIC/PIC") + mcu + QStringLiteral(".cfgtree"));
        if (!out.open(QIODevice::WriteOnly) || out.write(Scrambler::transform(plain.readAll())) < 0)
            std::abort();
        out.close();
        QDir::setCurrent(dir.path());
    }
};

DataFolder &dataFolder()
{
    static DataFolder folder;
    return folder;
}

void BM_DeviceLoad(benchmark::State &state)
{
    dataFolder();
    ConfigSession session;
    for (auto _ : state) {
        session.New1Click();
        benchmark::DoNotOptimize(session.ADD_ButtonClick(mcu));
    }
}
BENCHMARK(BM_DeviceLoad);

void BM_Generate(benchmark::State &state)
{
    dataFolder();
    ConfigSession session;
    session.ADD_ButtonClick(mcu);
    OutputOptions options;
    options.mcuName = mcu;
    options.oldStyle = state.range(0) != 0;
    options.longLines = state.range(1) != 0;
    options.commentsEnabled = !options.longLines;
    ListSink sink;
    QStringList errors;
    for (auto _ : state) {
        GenerateButtonClick(session.tree(), options, sink, errors);
        benchmark::DoNotOptimize(sink.lines.size());
    }
    state.SetLabel(std::string(options.oldStyle ? "old" : "new") +
                   (options.longLines ? " long" : " one"));
}
BENCHMARK(BM_Generate)->ArgNames({"old", "long"})->ArgsProduct({{0, 1}, {0, 1}});

// Prints the usual table, then each run's time as a multiple of the device load's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs)
            times[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto load = reporter.times.find("BM_DeviceLoad");
    if (load != reporter.times.end()) {
        std::printf("\nrelative to one device load of %s:\n", mcu.toLatin1().constData());
        for (const auto &[name, time] : reporter.times)
            std::printf("  %-32s %8.3f\n", name.c_str(), time / load->second);
    }
    benchmark::Shutdown();
    return 0;
}
