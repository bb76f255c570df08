// Cost of one keystroke and one page scroll in the output editor on a long highlighted text,
// offscreen, each followed by a synchronous repaint. The reference is the same editor with no
// lexer in force, so the ratio is what the analysis and the painting from it add.
#include "syntaxmanager.h"
#include "syntaxmemo.h"
#include "syntaxpainter.h"

#include <QApplication>
#include <QScrollBar>
#include <QTextBlock>
#include <benchmark/benchmark.h>
#include <climits>
#include <cstdio>
#include <map>

namespace {

QStringList longText()
{
    QStringList lines;
    for (int block = 0; block < 1000; ++block) {
        lines << QStringLiteral(";----[Block %1]----").arg(block) << QStringLiteral("#CONFIG");
        for (int i = 0; i < 16; ++i)
            lines << QStringLiteral("  CONFIG FOSC = HS, WDTE = OFF ; line %1").arg(i);
        lines << QStringLiteral("#ENDCONFIG") << QString();
    }
    return lines;
}

struct Editor {
    explicit Editor(bool highlighted)
    {
        if (highlighted) {
            memo.setLexerLibrary(&library);
            memo.setLexerByName(QStringLiteral("Tessel"));
        }
        memo.resize(900, 700);
        memo.show();
        memo.setLines(longText());
        memo.syntaxPainter()->analysis().ensureAnalyzed(INT_MAX - 1);
        QApplication::processEvents();
        memo.verticalScrollBar()->setValue(memo.verticalScrollBar()->maximum() / 2);
        memo.viewport()->repaint();
    }
    SyntaxManager library;
    SyntaxMemo memo;
};

void keystroke(benchmark::State &state, bool highlighted)
{
    Editor e(highlighted);
    QTextCursor c(e.memo.cursorForPosition(QPoint(10, 100)).block());
    c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 12);
    e.memo.setTextCursor(c);
    for (auto _ : state) {
        e.memo.insertPlainText(QStringLiteral("x"));
        e.memo.viewport()->repaint();
        e.memo.textCursor().deletePreviousChar();
        e.memo.viewport()->repaint();
    }
}

void scroll(benchmark::State &state, bool highlighted)
{
    Editor e(highlighted);
    QScrollBar *bar = e.memo.verticalScrollBar();
    int step = bar->pageStep();
    for (auto _ : state) {
        if (bar->value() + step > bar->maximum() || bar->value() + step < 0)
            step = -step;
        bar->setValue(bar->value() + step);
        e.memo.viewport()->repaint();
    }
}

void BM_KeystrokePlain(benchmark::State &state) { keystroke(state, false); }
void BM_KeystrokeHighlighted(benchmark::State &state) { keystroke(state, true); }
void BM_ScrollPlain(benchmark::State &state) { scroll(state, false); }
void BM_ScrollHighlighted(benchmark::State &state) { scroll(state, true); }

BENCHMARK(BM_KeystrokePlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeystrokeHighlighted)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScrollPlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScrollHighlighted)->Unit(benchmark::kMicrosecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const char *what : {"Keystroke", "Scroll"}) {
            const double plain = m_times[std::string("BM_") + what + "Plain"];
            const double lit = m_times[std::string("BM_") + what + "Highlighted"];
            if (plain > 0 && lit > 0)
                std::printf("%s highlighted / plain: %.2f\n", what, lit / plain);
        }
    }

private:
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("text: %lld lines\n", static_cast<long long>(longText().size()));
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
