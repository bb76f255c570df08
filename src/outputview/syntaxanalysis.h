#pragma once

#include "scanvector.h"
#include "syntanalyzer.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// One token: [start, end) in characters, its rule (by lexer slot and rule index) and type.
struct SyntaxToken {
    qint32 start = 0;
    qint32 end = 0;
    qint16 type = 0;
    quint8 lexer = 0; // slot in SyntaxAnalysis::lexers()
    quint16 rule = 0; // SyntAnalyzer::rule(index) of that lexer
};

struct TextRange {
    int startToken = 0;
    int endToken = -1; // -1 while open
    const BlockRule *rule = nullptr;
    int identToken = 0;
    int parent = -1;    // innermost range open when this one was made
    int condStart = 0;  // tokens its conditions covered
    int condEnd = 0;
};

struct SubLexerRange {
    const SubAnalyzerRule *rule = nullptr;
    int condStart = 0; // where the start expression matched
    int start = 0;     // where the sub-lexer takes over
    int end = -1;      // -1 while open
    int condEnd = -1;  // where the end expression's match ends
};

struct LineSeparatorMark {
    const BlockRule *rule = nullptr;
    int offset = 0; // a character on the line the separator is drawn above (lbTop) or below
};

// What the editor paints beyond token styles; computed once the scan reached the end.
struct RangeStyle {
    int start = 0;
    int end = 0;
    const SyntAnalyzer *lexer = nullptr;
    int style = -1; // index into lexer->formats()
    bool lineHighlight = false;
    bool caretDependent = false;
    bool inverted = false; // shown while the caret is outside the area
    // Caret area(s) of a caret-dependent style.
    int areaStart = 0, areaEnd = 0, area2Start = -1, area2End = -1;

    bool shownForCaret(int caret) const
    {
        if (!caretDependent)
            return true;
        const bool inside = (caret >= areaStart && caret <= areaEnd) ||
                            (area2Start >= 0 && caret >= area2Start && caret <= area2End);
        return inside != inverted;
    }
};

struct LineSpan {
    int startLine = 0; // 0-based lines
    int endLine = 0;
    int startOffset = 0;
    int endOffset = 0;
    const BlockRule *rule = nullptr;
};

struct SeparatorLine {
    int line = 0;        // 0-based
    bool below = false;  // drawn below the line (lbBottom) or above it (lbTop)
    const BlockRule *rule = nullptr;
};

struct AnalysisResults {
    std::vector<RangeStyle> rangeStyles;
    std::vector<LineSpan> foldRanges; // closed ranges offered for folding
    std::vector<LineSpan> staples;
    std::vector<SeparatorLine> separators;
};

// The analysis of one text with one main lexer. The scan is incremental: analyze() runs until a
// position, a deadline or the end; applyEdit() keeps everything before the edit that cannot have
// looked at the changed text and rescans from the last checkpoint before it.
class SyntaxAnalysis : public QObject {
    Q_OBJECT
public:
    explicit SyntaxAnalysis(QObject *parent = nullptr);
    ~SyntaxAnalysis() override;

    void setLexer(SyntAnalyzer *lexer); // discards the analysis
    SyntAnalyzer *lexer() const { return m_main; }
    void setText(const QString &text);  // discards the analysis
    const QString &text() const { return m_text; }
    // The text changed at `pos`: `removed` characters were replaced by `added` ones.
    void applyEdit(const QString &newText, int pos, int removed, int added);

    // Scans until the scan position passes `until` (-1: the end) or `deadline` expires.
    // Returns true when the whole text is analysed.
    bool analyze(int until = -1, const QDeadlineTimer &deadline = QDeadlineTimer::Forever);
    bool isComplete() const { return m_complete; }
    int analyzedUpTo() const { return m_pos; }

    // Results of the scan.
    std::span<const SyntaxToken> tokens() const { return m_tokens.view(); }
    std::span<const TextRange> ranges() const { return m_ranges.view(); }
    std::span<const SubLexerRange> subLexerRanges() const { return m_subs.view(); }
    std::span<const LineSeparatorMark> lineSeparators() const { return m_separators.view(); }
    const std::vector<SyntAnalyzer *> &lexers() const { return m_lexers; }
    const SyntRule *tokenRule(const SyntaxToken &t) const { return m_lexers[t.lexer]->rule(t.rule); }
    // Style of a token for painting: its rule's style or the main lexer's default style.
    const SyntaxFormatDef *tokenStyle(const SyntaxToken &t) const;
    int TokenAtPos(int offset) const;
    QStringView tokenText(int index) const
    {
        const SyntaxToken &t = m_tokens[size_t(index)];
        return QStringView(m_text).mid(t.start, t.end - t.start);
    }
    // Message of the last error raised while evaluating a block rule, if any.
    const QString &lastError() const { return m_lastError; }

    // The finishing work: range styles, folding, staples and separator lines. Reads only the
    // given snapshot, so it can run on another thread; `stop` is checked between items.
    struct Snapshot {
        QString text;
        std::vector<SyntaxToken> tokens;
        std::vector<TextRange> ranges;
        std::vector<SubLexerRange> subs;
        std::vector<LineSeparatorMark> separators;
    };
    Snapshot snapshot() const;
    static AnalysisResults finish(const Snapshot &s, const std::atomic_bool *stop = nullptr);
    AnalysisResults finish() const { return finish(snapshot()); }

signals:
    // A block rule raised an error (such as "Circular stack"); the scan went on.
    void errorRaised(const QString &message);
    // A lexer the analysis used changed its definition (a filled name list) or went away, sub-lexers
    // included; the analysis started over.
    void lexerChanged();

private:
    static constexpr int NoRead = 0x7fffffff;
    struct Checkpoint {
        int pos = 0;
        int tokens = 0, ranges = 0, subs = 0, separators = 0, undo = 0;
        int firstLiveSub = 0;
        int errors = 0;
        qsizetype readEnd = 0; // everything before this point read no further
        // The lowest offset and token index the steps up to the next checkpoint looked back at.
        int backText = NoRead, backToken = NoRead;
    };
    struct Undo {
        enum Kind : std::uint8_t { RangeEnd, SubEnd, TokenRule } kind;
        int index;
        int a, b; // previous values
        qint16 type;
    };
    // The results after an edit, kept in the old text's offsets and indices until the rescan
    // reaches a state they started from; then they are shifted into place instead of rescanned.
    struct Reuse;

    void reset();
    void scanStep();
    int lexerSlot(SyntAnalyzer *lexer);
    SyntAnalyzer *findOwner(int cur);
    void tryOpenSubLexer(int cur, SyntAnalyzer *owner);
    bool tryOpenWith(int cur, SyntAnalyzer *lexer, bool alwaysOnly);
    bool makeToken(int cur, SyntAnalyzer *owner);
    bool tryTokenRules(int cur, SyntAnalyzer *lexer, bool alwaysOnly);
    void runBlockRules(SyntAnalyzer *owner);
    bool runBlockRulesOf(const SyntAnalyzer &lexer, bool alwaysOnly); // false: a rule stopped the rest
    enum class BlockOutcome { NoMatch, Matched, Abort };
    BlockOutcome runBlockRule(const BlockRule &rule);
    bool parentTest(const SyntRule &rule) const;
    bool conditionsMatch(const BlockRule &rule, int n, int k, int *first);
    bool closeRange(const BlockRule &closing, int ref);
    void openRange(const BlockRule &rule, int startToken, int identToken, int condStart, int condEnd, int endToken);
    int columnOf(int offset);
    void countOpen(const BlockRule *rule, int delta);
    void recountOpen();
    bool anyOpen(const SyntRule &rule) const;
    void addCheckpoint();
    std::vector<int> openAt(const Checkpoint &c) const;
    void restoreCheckpoint(size_t index);
    void noteRead(qsizetype end)
    {
        if (end > m_readEnd)
            m_readEnd = end;
    }
    void noteBackText(int offset)
    {
        if (offset < m_backText)
            m_backText = offset;
    }
    void noteBackToken(int index)
    {
        if (index < m_backToken) {
            m_backToken = index;
            noteBackText(index >= 0 ? m_tokens[size_t(index)].start : -1);
        }
    }
    void keepForReuse(size_t checkpoint, int pos, int removed, int added);
    void tryReuse();
    void dropReuse();
    std::vector<int> oldOpenAt(const Checkpoint &c) const;
    bool reuseFrom(size_t checkpoint);

    SyntAnalyzer *m_main = nullptr;
    QString m_text;
    std::vector<SyntAnalyzer *> m_lexers;
    std::vector<QMetaObject::Connection> m_lexerConnections;

    int m_pos = 0;
    bool m_complete = false;
    ScanVector<SyntaxToken> m_tokens;
    ScanVector<TextRange> m_ranges;
    ScanVector<SubLexerRange> m_subs;
    ScanVector<LineSeparatorMark> m_separators;
    std::vector<int> m_open;
    // Open ranges per rule, so parent tests and closing rules need not walk a long open list.
    std::vector<std::pair<const BlockRule *, int>> m_openCounts;
    int m_firstLiveSub = 0;
    qsizetype m_readEnd = 0;
    int m_stepTokenBase = 0;
    ScanVector<Undo> m_undo;
    ScanVector<Checkpoint> m_checkpoints;
    int m_tokensAtLastCheckpoint = 0;
    int m_backText = NoRead, m_backToken = NoRead;
    int m_errors = 0;
    QString m_lastError;
    std::unique_ptr<Reuse> m_reuse;
    int m_reuseFrom = 0; // the scan position from which the old results may fit again
};
