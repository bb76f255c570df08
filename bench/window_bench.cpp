// Time from a device pick in the MCU box to the regenerated text in the editor, for the largest
// device of the bundled library, offscreen. The reference is the core alone (load the tree
// file and generate into a plain line list), so the ratio is what the window adds: the tree
// view, the editor document and the option handlers.
#include "Unit1.h"
#include "configsession.h"
#include "generator.h"
#include "mcucombobox.h"
#include "syntaxmemo.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QTreeWidget>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

QString largestDevice()
{
    const QFileInfoList files = QDir(QStringLiteral("PIC")).entryInfoList({QStringLiteral("PIC*.cfgtree")},
                                                                          QDir::Files, QDir::Size);
    if (files.isEmpty())
        return {};
    return files.first().completeBaseName().mid(3);
}

class LineList : public OutputSink {
public:
    void clearLines() override { lines.clear(); }
    void appendLine(const QString &line) override { lines.append(line); }
    void setLexerByName(const QString &) override {}
    QStringList lines;
};

void BM_CoreLoadAndGenerate(benchmark::State &state)
{
    const QString device = largestDevice();
    for (auto _ : state) {
        ConfigSession session;
        LineList sink;
        QStringList errors;
        OutputOptions options;
        options.mcuName = device;
        session.generate = [&] { GenerateButtonClick(session.tree(), options, sink, errors); };
        session.ADD_ButtonClick(device);
        benchmark::DoNotOptimize(sink.lines.size());
    }
}

void BM_WindowPickToText(benchmark::State &state)
{
    const QString device = largestDevice();
    TForm1 form;
    form.FormCreate();
    form.show();
    for (auto _ : state) {
        form.CPU_ComboBox->setEditText(device);
        form.SelectingMCU = true;
        form.CPU_ComboBoxKeyDown(Qt::Key_Return); // Enter in the box: drop the old device, load, generate
        QApplication::processEvents();            // and let the view lay itself out
        benchmark::DoNotOptimize(form.SyntaxMemo1->document()->blockCount());
    }
    state.counters["nodes"] = form.session().tree().nodeCount();
    state.counters["lines"] = form.SyntaxMemo1->document()->blockCount();
}

void BM_WindowOptionToText(benchmark::State &state)
{
    const QString device = largestDevice();
    TForm1 form;
    form.FormCreate();
    form.show();
    form.CPU_ComboBox->setEditText(device);
    form.SelectingMCU = true;
    form.CPU_ComboBoxKeyDown(Qt::Key_Return);
    for (auto _ : state) {
        form.HeaderCheckBox->toggle(); // its click handler regenerates
        QApplication::processEvents();
        benchmark::DoNotOptimize(form.SyntaxMemo1->document()->blockCount());
    }
}

BENCHMARK(BM_CoreLoadAndGenerate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowPickToText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowOptionToText)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            const double ms = run.GetAdjustedRealTime();
            if (run.benchmark_name() == "BM_CoreLoadAndGenerate")
                m_core = ms;
            else if (run.benchmark_name() == "BM_WindowPickToText")
                m_pick = ms;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        if (m_core > 0 && m_pick > 0)
            std::printf("pick-to-text / core load+generate: %.2f\n", m_pick / m_core);
    }

private:
    double m_core = 0;
    double m_pick = 0;
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The window reads its device library relative to the working directory, as the program does.
    if (!QDir::setCurrent(QStringLiteral(ORVEX_DATA_DIR)) || largestDevice().isEmpty()) {
        std::fprintf(stderr, "no device library in %s; build the devicelibrary target first\n", ORVEX_DATA_DIR);
        return 1;
    }
    std::printf("largest device: %s\n", qPrintable(largestDevice()));
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
