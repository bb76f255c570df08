// Full and incremental analysis of generated BASIC text with #CONFIG and ASM blocks, beside a
// plain scan of the same characters as the reference.
//
//   lexer_bench [--write FILE MB]   writes the generated text (UTF-8) for lexer_peer.sh and exits

#include "syntaxanalysis.h"
#include "syntaxmanager.h"

#include <QFile>
#include <benchmark/benchmark.h>
#include <cstring>

namespace {

QString generatedBasic(qsizetype chars)
{
    const QString block = QStringLiteral(
        "' Configuration for the 16F1827\r\n"
        "#CONFIG\r\n"
        "  __config _CONFIG1, _FOSC_INTOSC & _WDTE_OFF & _PWRTE_ON & _MCLRE_OFF\r\n"
        "  CONFIG FOSC = HS, WDTE = OFF\r\n"
        "#ENDCONFIG\r\n"
        "counter VAR BYTE\r\n"
        "buffer VAR BYTE[16]\r\n"
        "total VAR WORD\r\n"
        "DEFINE OSC 20\r\n"
        "FOR counter = 0 TO 15\r\n"
        "    buffer[counter] = $1F + %1010 * 3.5e2 ' fill\r\n"
        "    HSEROUT [\"value \", DEC buffer[counter], 13, 10]\r\n"
        "NEXT counter\r\n"
        "WHILE total < 1000\r\n"
        "    total = total + 1 : PAUSE 10\r\n"
        "WEND\r\n"
        "ASM\r\n"
        "loop    movlw 0FFh\r\n"
        "        movwf PORTB ; all high\r\n"
        "        goto loop\r\n"
        "ENDASM\r\n"
        "@ nop\r\n"
        "#IF __PROCESSOR__ = \"16F1827\"\r\n"
        "#ELSE\r\n"
        "    #ERROR \"Program compiled for wrong MCU\"\r\n"
        "#ENDIF\r\n");
    QString text;
    text.reserve(chars + block.size());
    while (text.size() < chars)
        text += block;
    return text;
}

const SyntaxManager &library()
{
    static SyntaxManager l;
    return l;
}

// The whole text, in one go, with the BASIC lexer.
void analyseFully(SyntaxAnalysis &a, const QString &text)
{
    a.setLexer(library().FindAnalyzer(u"Tessel"));
    a.setText(text);
    a.analyze();
}

void BM_PlainScan(benchmark::State &state)
{
    const QString text = generatedBasic(state.range(0) << 20);
    for (auto _ : state) {
        qsizetype lines = 0;
        for (QChar c : text)
            lines += c == QLatin1Char('\n');
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

void BM_FullAnalysis(benchmark::State &state)
{
    const QString text = generatedBasic(state.range(0) << 20);
    size_t tokens = 0;
    for (auto _ : state) {
        SyntaxAnalysis a;
        analyseFully(a, text);
        tokens = a.tokens().size();
    }
    state.SetBytesProcessed(state.iterations() * text.size());
    state.counters["tokens/s"] = benchmark::Counter(double(tokens) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["tokens"] = double(tokens);
}

void BM_SingleLongLine(benchmark::State &state)
{
    // One line of state.range(0) MB: a string that never closes, then a comment of the same size.
    const qsizetype n = state.range(0) << 20;
    const QString text = QLatin1Char('"') + QString(n / 2, QLatin1Char('x')) + QLatin1Char('\'') +
                         QString(n / 2, QLatin1Char('y'));
    for (auto _ : state) {
        SyntaxAnalysis a;
        analyseFully(a, text);
        benchmark::DoNotOptimize(a.tokens().size());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

// One character typed and taken back at the start of a line `fraction` into the text. The results
// past the rescan are kept in place, but their offsets still shift: the further from the end, the
// more there is to shift.
void editAt(benchmark::State &state, double fraction)
{
    QString text = generatedBasic(state.range(0) << 20);
    SyntaxAnalysis a;
    analyseFully(a, text);
    int pos = int(double(text.size()) * fraction);
    while (text.at(pos) != QLatin1Char('\n'))
        ++pos;
    ++pos; // start of a line
    bool insert = true;
    for (auto _ : state) {
        // The editor hands over a fresh copy of its text; making it is not the analysis's work.
        state.PauseTiming();
        if (insert)
            text.insert(pos, QLatin1Char('x'));
        else
            text.remove(pos, 1);
        state.ResumeTiming();
        a.applyEdit(text, pos, insert ? 0 : 1, insert ? 1 : 0);
        a.analyze();
        insert = !insert;
    }
}

void BM_EditInTheMiddle(benchmark::State &state)
{
    editAt(state, 0.5);
}

void BM_EditNearTheStart(benchmark::State &state)
{
    editAt(state, 0.01);
}

// The part of the finishing work that stays on the user-interface thread: taking the snapshot.
void BM_Snapshot(benchmark::State &state)
{
    const QString text = generatedBasic(state.range(0) << 20);
    SyntaxAnalysis a;
    analyseFully(a, text);
    for (auto _ : state)
        benchmark::DoNotOptimize(a.snapshot().ranges.size());
}

// The finishing work after every completed analysis, edits included: it still covers the whole
// text (snapshot on the calling thread, range styles, folds and separators on the worker).
void BM_FinishingWork(benchmark::State &state)
{
    const QString text = generatedBasic(state.range(0) << 20);
    SyntaxAnalysis a;
    analyseFully(a, text);
    for (auto _ : state) {
        const SyntaxAnalysis::Snapshot snap = a.snapshot();
        benchmark::DoNotOptimize(SyntaxAnalysis::finish(snap).rangeStyles.size());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

BENCHMARK(BM_PlainScan)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullAnalysis)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Snapshot)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FinishingWork)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SingleLongLine)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditInTheMiddle)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditNearTheStart)->Arg(10)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--write") == 0) {
        QFile f(QString::fromLocal8Bit(argv[2]));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 1;
        f.write(generatedBasic(qsizetype(std::atoi(argv[3])) << 20).toUtf8());
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
