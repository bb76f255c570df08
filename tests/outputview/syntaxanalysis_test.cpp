#include "syntaxanalysis.h"
#include "syntaxmanager.h"
#include "taglist.h"
#include "testsupport.h"

#include <QDir>
#include <algorithm>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

struct Tok {
    QString text;
    QString rule;
    QString lexer;
    int type;
    bool operator==(const Tok &) const = default;
};

std::ostream &operator<<(std::ostream &os, const Tok &t)
{
    return os << '"' << t.text.toStdString() << "\" " << t.rule.toStdString() << '/' << t.lexer.toStdString()
              << ' ' << t.type;
}

std::vector<Tok> tokensOf(const SyntaxAnalysis &a)
{
    std::vector<Tok> out;
    for (int i = 0; i < int(a.tokens().size()); ++i) {
        const SyntaxToken &t = a.tokens()[size_t(i)];
        const SyntRule *r = a.tokenRule(t);
        out.push_back({a.tokenText(i).toString(), r->DisplayName, r->lexer->LexerName(), t.type});
    }
    return out;
}

class Analysis : public testing::Test {
protected:
    SyntaxManager library;
    SyntaxAnalysis analysis;

    std::vector<Tok> lex(const QString &text, const char16_t *lexer = u"Tessel")
    {
        analysis.setLexer(library.FindAnalyzer(lexer));
        analysis.setText(text);
        EXPECT_TRUE(analysis.analyze());
        return tokensOf(analysis);
    }
    TagList *list(const char *rule)
    {
        return FirstConditionTags(library.FindAnalyzer(u"MPASM"), QString::fromLatin1(rule));
    }
};

TEST_F(Analysis, ConfigBlockHandsOverToMpasm)
{
    const auto toks = lex(QStringLiteral("#CONFIG\r\n  CONFIG FOSC = HS\r\n#ENDCONFIG\r\n"));
    const std::vector<Tok> expected = {
        {"#CONFIG", "OP Keywords", "Tessel", 10},
        {"CONFIG", "Reserved words", "MPASM", 2},
        {"FOSC", "NewStyle Config Bits", "MPASM", 2},
        {"HS", "Ident", "MPASM", 2},
        {"#ENDCONFIG\r", "OP Keywords", "Tessel", 10},
    };
    EXPECT_EQ(toks, expected);
    ASSERT_EQ(analysis.ranges().size(), 1u);
    EXPECT_EQ(analysis.ranges()[0].rule->DisplayName, QStringLiteral("#CONFIG"));
    EXPECT_EQ(analysis.ranges()[0].endToken, 4);
    const AnalysisResults r = analysis.finish();
    ASSERT_EQ(r.rangeStyles.size(), 1u);
    EXPECT_TRUE(r.rangeStyles[0].lineHighlight);
    EXPECT_EQ(r.rangeStyles[0].end, 40);
    EXPECT_TRUE(r.foldRanges.empty()); // NotCollapsed
    ASSERT_EQ(r.staples.size(), 1u);
    EXPECT_EQ(r.staples[0].startLine, 0);
    EXPECT_EQ(r.staples[0].endLine, 2);
}

TEST_F(Analysis, FillingANameListReanalysesTheText)
{
    const QString text = QStringLiteral("  __config _CP_OFF & _WDT_ON\r\n");
    auto toks = lex(text, u"MPASM");
    EXPECT_EQ(toks[1].rule, QStringLiteral("Ident"));
    list("Config Bits")->add(QStringLiteral("_cp_off"));
    EXPECT_FALSE(analysis.isComplete());
    analysis.analyze();
    toks = tokensOf(analysis);
    EXPECT_EQ(toks[0].rule, QStringLiteral("Reserved words"));
    EXPECT_EQ(toks[1].rule, QStringLiteral("Config Bits")); // old-style list ignores case
    EXPECT_EQ(toks[2].rule, QStringLiteral("Ident"));
    EXPECT_EQ(toks.size(), 3u); // "&" makes no token
}

TEST_F(Analysis, MpasmEdgeCases)
{
    // A directive at column 1 is a label; the setting after it fails the predecessor test.
    auto toks = lex(QStringLiteral("CONFIG FOSC = HS\r\n  CONFIG FOSC = HS, CLKOUTEN = ON\r\n"), u"MPASM");
    ASSERT_EQ(toks.size(), 9u);
    EXPECT_EQ(toks[0], (Tok{"CONFIG", "Labels", "MPASM", 10}));
    EXPECT_EQ(toks[1].rule, QStringLiteral("Ident"));
    EXPECT_EQ(toks[4].rule, QStringLiteral("NewStyle Config Bits"));
    EXPECT_EQ(toks[6], (Tok{",", "Symbol", "MPASM", 3}));
    EXPECT_EQ(toks[7].rule, QStringLiteral("NewStyle Config Bits"));
    // Dropping the device leaves one empty text, which no token equals.
    list("NewStyle Config Bits")->clear();
    list("NewStyle Config Bits")->add(QString());
    toks = lex(QStringLiteral(" CONFIG FOSC = HS"), u"MPASM");
    EXPECT_EQ(toks[1].rule, QStringLiteral("Ident"));
    // A label match of no characters makes no token; the next rule is tried.
    toks = lex(QStringLiteral(" 12h eax"), u"MPASM");
    EXPECT_EQ(toks[0], (Tok{"12h", "Hex", "MPASM", 7}));
    EXPECT_EQ(toks[1].rule, QStringLiteral("Registers"));
}

TEST_F(Analysis, SubLexerBoundaries)
{
    // "@" runs to the end of its line and includes the CR LF.
    lex(QStringLiteral("@ movlw 1\r\nx\r\n"));
    ASSERT_EQ(analysis.subLexerRanges().size(), 1u);
    EXPECT_EQ(analysis.subLexerRanges()[0].start, 0);
    EXPECT_EQ(analysis.subLexerRanges()[0].end, 11);
    EXPECT_EQ(tokensOf(analysis).back(), (Tok{"x", "Any name", "Tessel", 2}));
    // Any word starting with "asm" opens an assembler block after those letters.
    const auto toks = lex(QStringLiteral("asmx = 1"));
    EXPECT_EQ(toks[0], (Tok{"asm", "Key words", "Tessel", 2}));
    EXPECT_EQ(toks[1], (Tok{"x", "Ident", "MPASM", 2}));
    ASSERT_EQ(analysis.subLexerRanges().size(), 1u);
    EXPECT_EQ(analysis.subLexerRanges()[0].end, -1);
}

TEST_F(Analysis, RangesAndSeparators)
{
    // A range end without an open range changes nothing.
    lex(QStringLiteral("WEND\r\nNEXT\r\n"));
    EXPECT_TRUE(analysis.ranges().empty());

    lex(QStringLiteral("description\r\n' text\r\nenddescription\r\n' tail\r\n"));
    const AnalysisResults r = analysis.finish();
    ASSERT_EQ(r.separators.size(), 2u);
    EXPECT_EQ(r.separators[0].line, 1); // above the comment after "description"
    EXPECT_FALSE(r.separators[0].below);
    EXPECT_EQ(r.separators[1].line, 2);
    EXPECT_TRUE(r.separators[1].below);

    // Caret-dependent bound styles of FOR ... NEXT.
    lex(QStringLiteral("for i\r\nnext\r\n"));
    const AnalysisResults loop = analysis.finish();
    int caretStyles = 0;
    for (const RangeStyle &s : loop.rangeStyles) {
        if (!s.caretDependent)
            continue;
        ++caretStyles;
        EXPECT_TRUE(s.shownForCaret(2));
        EXPECT_FALSE(s.shownForCaret(12));
    }
    EXPECT_EQ(caretStyles, 2);
    ASSERT_EQ(loop.foldRanges.size(), 2u);
}

TEST_F(Analysis, GrammarErrorIsReportedOnceAndTheScanGoesOn)
{
    LexerDefinition def = MpasmLexerDefinition();
    def.Gramma = QStringLiteral("Loop = 'x' Loop;");
    BlockRuleDef looping;
    looping.DisplayName = QStringLiteral("Looping");
    looping.GrammaRuleName = QStringLiteral("loop");
    def.BlockRules.push_back(looping);
    SyntAnalyzer lexer(def);
    analysis.setLexer(&lexer);
    analysis.setText(QStringLiteral("x x x"));
    int errors = 0;
    QObject::connect(&analysis, &SyntaxAnalysis::errorRaised, [&](const QString &m) {
        EXPECT_EQ(m, QStringLiteral("Circular stack"));
        ++errors;
    });
    EXPECT_TRUE(analysis.analyze());
    EXPECT_EQ(analysis.tokens().size(), 3u);
    EXPECT_EQ(errors, 1);
}

// The rules after a tag rule that retypes the newest token see the new type, not the old one.
TEST_F(Analysis, RulesAfterARetypeSeeTheNewType)
{
    constexpr std::uint32_t Identifier = 1u << 2, Integer = 1u << 5;
    LexerDefinition def = MpasmLexerDefinition();
    auto tagRule = [&](const char *name, std::uint32_t types, int retype) {
        BlockRuleDef r;
        r.DisplayName = QString::fromLatin1(name);
        r.BlockType = btTagDetect;
        r.ConditionList = {{.CondType = tcEqual, .TagList = {"x"}, .TokenTypes = types, .IgnoreCase = true}};
        r.TokenType = retype;
        def.BlockRules.push_back(r);
    };
    tagRule("Retype", Identifier, 5);
    tagRule("Identifier x", Identifier, -1);
    tagRule("Integer x", Integer, -1);
    SyntAnalyzer lexer(def);
    analysis.setLexer(&lexer);
    analysis.setText(QStringLiteral(" x")); // not at column 1, where it would be a label
    EXPECT_TRUE(analysis.analyze());
    EXPECT_EQ(tokensOf(analysis), (std::vector<Tok>{{"x", "Integer x", "MPASM", 5}}));
}

TEST_F(Analysis, TokenAtPos)
{
    lex(QStringLiteral("ab = 12"));
    EXPECT_EQ(analysis.TokenAtPos(0), 0);
    EXPECT_EQ(analysis.TokenAtPos(1), 0);
    EXPECT_EQ(analysis.TokenAtPos(2), -1);
    EXPECT_EQ(analysis.TokenAtPos(6), 2);
    EXPECT_EQ(analysis.TokenAtPos(7), -1);
    EXPECT_EQ(analysis.TokenAtPos(-1), -1);
}

// All lexer fixtures in one text, as a long varied input.
QString corpus()
{
    QString text;
    const QDir dir(TestSupport::fixturePath(QStringLiteral("lexer")));
    for (const QString &name : dir.entryList({QStringLiteral("*.bas")}, QDir::Files))
        text += QString::fromUtf8(TestSupport::readFixture(QStringLiteral("lexer/") + name)) + QStringLiteral("\r\n");
    return text;
}

void expectSameAnalysis(const SyntaxAnalysis &a, const SyntaxAnalysis &b)
{
    ASSERT_EQ(a.tokens().size(), b.tokens().size());
    for (size_t i = 0; i < a.tokens().size(); ++i) {
        const SyntaxToken &x = a.tokens()[i], &y = b.tokens()[i];
        ASSERT_TRUE(x.start == y.start && x.end == y.end && x.type == y.type && a.tokenRule(x) == b.tokenRule(y))
            << "token " << i;
    }
    ASSERT_EQ(a.ranges().size(), b.ranges().size());
    for (size_t i = 0; i < a.ranges().size(); ++i) {
        const TextRange &x = a.ranges()[i], &y = b.ranges()[i];
        EXPECT_TRUE(x.rule == y.rule && x.startToken == y.startToken && x.endToken == y.endToken &&
                    x.identToken == y.identToken && x.parent == y.parent)
            << "range " << i;
    }
    ASSERT_EQ(a.subLexerRanges().size(), b.subLexerRanges().size());
    for (size_t i = 0; i < a.subLexerRanges().size(); ++i) {
        const SubLexerRange &x = a.subLexerRanges()[i], &y = b.subLexerRanges()[i];
        EXPECT_TRUE(x.rule == y.rule && x.start == y.start && x.end == y.end && x.condEnd == y.condEnd);
    }
    ASSERT_EQ(a.lineSeparators().size(), b.lineSeparators().size());
    for (size_t i = 0; i < a.lineSeparators().size(); ++i)
        EXPECT_EQ(a.lineSeparators()[i].offset, b.lineSeparators()[i].offset);
}

TEST_F(Analysis, IncrementalEditsEqualAFullAnalysis)
{
    const QString base = corpus();
    SyntAnalyzer *tessel = library.FindAnalyzer(u"Tessel");
    SyntaxAnalysis incremental;
    incremental.setLexer(tessel);
    incremental.setText(base);
    incremental.analyze();
    QString text = base;
    QRandomGenerator rng(20240611);
    const QStringList inserts = {"x", "\r\n", "#CONFIG\r\n", "ENDASM", "'", "\"", "for ", "@", " ", "ASM\r\n", "next"};
    for (int round = 0; round < 60; ++round) {
        const int pos = int(rng.bounded(int(text.size()) + 1));
        const int removed = std::min<int>(int(rng.bounded(4)), int(text.size()) - pos);
        const QString added = rng.bounded(3) == 0 ? QString() : inserts[int(rng.bounded(int(inserts.size())))];
        text.replace(pos, removed, added);
        incremental.applyEdit(text, pos, removed, int(added.size()));
        // Half the rounds stop part-way, as a slice would, before the next edit arrives.
        if (round % 2)
            incremental.analyze(int(rng.bounded(int(text.size()) + 1)));
        else
            incremental.analyze();
        if (round % 2)
            continue;
        SyntaxAnalysis full;
        full.setLexer(tessel);
        full.setText(text);
        full.analyze();
        SCOPED_TRACE(round);
        expectSameAnalysis(incremental, full);
    }
}

// Long enough that an edit in the middle leaves many checkpoints on either side, so the rescan
// can take up the old results again. The ENDASM ends the block that "asmlabel" opens.
QString longCorpus()
{
    return (corpus() + QStringLiteral("ENDASM\r\n")).repeated(16);
}

void expectSameAsFull(const SyntaxAnalysis &incremental, SyntAnalyzer *lexer, const QString &text)
{
    SyntaxAnalysis full;
    full.setLexer(lexer);
    full.setText(text);
    full.analyze();
    expectSameAnalysis(incremental, full);
}

TEST_F(Analysis, EditsThatChangeStateFarAheadEqualAFullAnalysis)
{
    struct Case {
        const char *what;
        const char *anchor; // the edit happens at this text's occurrence nearest the middle
        int offset;         // from the anchor's start
        int removed;
        const char *added;
    };
    const Case cases[] = {
        {"setting inside #CONFIG", "FOSC = HS", 7, 2, "XT"},
        {"#CONFIG ended early", "  CONFIG WDTE", 0, 0, "#ENDCONFIG\r\n"},
        {"#ENDCONFIG removed", "#ENDCONFIG", 0, 10, ""},
        {"#CONFIG opened", "x = 1", 0, 0, "#CONFIG\r\n"},
        {"ENDASM removed", "ENDASM", 0, 6, ""},
        {"loop opened", "x = 1", 0, 0, "FOR j = 1 TO 2\r\n"},
        {"loop closed", "WHILE", 0, 0, "NEXT i\r\n"},
        {"loop variable renamed", "NEXT i", 5, 1, "k"},
        {"string opened", "x = 1", 0, 0, "\""},
        {"comment opened", "ASM", 0, 0, "' "},
        {"title block closed", "' second comment", 0, 0, "endtitleblock\r\n"},
        {"line break removed", "\r\nWEND", 0, 2, ""},
        {"word joined to a keyword", "sub foo", 3, 1, ""},
    };
    const QString base = longCorpus();
    SyntAnalyzer *tessel = library.FindAnalyzer(u"Tessel");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString anchor = QString::fromUtf8(c.anchor);
        int at = int(base.indexOf(anchor, base.size() / 2));
        ASSERT_GE(at, 0);
        at += c.offset;
        SyntaxAnalysis incremental;
        incremental.setLexer(tessel);
        incremental.setText(base);
        incremental.analyze();
        QString text = base;
        const QString added = QString::fromUtf8(c.added);
        text.replace(at, c.removed, added);
        incremental.applyEdit(text, at, c.removed, int(added.size()));
        incremental.analyze();
        expectSameAsFull(incremental, tessel, text);
        // And back again, from the edited analysis.
        text = base;
        incremental.applyEdit(text, at, int(added.size()), c.removed);
        incremental.analyze();
        expectSameAsFull(incremental, tessel, text);
    }
}

TEST_F(Analysis, EditsPilingUpBeforeTheRescanEqualAFullAnalysis)
{
    const QString base = longCorpus();
    SyntAnalyzer *tessel = library.FindAnalyzer(u"Tessel");
    SyntaxAnalysis incremental;
    incremental.setLexer(tessel);
    incremental.setText(base);
    incremental.analyze();
    QString text = base;
    QRandomGenerator rng(77031);
    const QStringList inserts = {"x", "\r\n", "#CONFIG\r\n", "#ENDCONFIG\r\n", "ENDASM", "'", "\"", "FOR i = 1 TO 2 ",
                                 "NEXT i\r\n", "WEND", "ASM\r\n", "endtitleblock\r\n", " VAR BYTE"};
    for (int round = 0; round < 40; ++round) {
        // Typing: a few edits close together, sometimes one far away, before the scan catches up.
        int pos = int(rng.bounded(int(text.size()) + 1));
        const int edits = 1 + int(rng.bounded(3));
        for (int e = 0; e < edits; ++e) {
            if (e > 0)
                pos = rng.bounded(4) == 0 ? int(rng.bounded(int(text.size()) + 1))
                                          : std::clamp(pos + int(rng.bounded(41)) - 20, 0, int(text.size()));
            const int removed = std::min<int>(int(rng.bounded(3)), int(text.size()) - pos);
            const QString added = rng.bounded(3) == 0 ? QString() : inserts[int(rng.bounded(int(inserts.size())))];
            text.replace(pos, removed, added);
            incremental.applyEdit(text, pos, removed, int(added.size()));
            if (rng.bounded(3) == 0)
                incremental.analyze(int(rng.bounded(int(text.size()) + 1)));
        }
        if (round % 10 == 0) { // and at the very end
            const int end = int(text.size());
            text.append(QStringLiteral("\r\nNEXT i"));
            incremental.applyEdit(text, end, 0, int(text.size()) - end);
        }
        incremental.analyze();
        SCOPED_TRACE(round);
        expectSameAsFull(incremental, tessel, text);
    }
}

TEST_F(Analysis, LineFeedsAloneGiveTheSameTokens)
{
    const QString crlf = corpus();
    QString lf = crlf;
    lf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    auto strip = [](std::vector<Tok> toks) {
        for (Tok &t : toks) {
            t.text.remove(QLatin1Char('\r'));
            t.text.remove(QLatin1Char('\n'));
        }
        return toks;
    };
    const auto a = strip(lex(crlf));
    const size_t rangesA = analysis.ranges().size();
    const auto b = strip(lex(lf));
    EXPECT_EQ(a, b);
    EXPECT_EQ(rangesA, analysis.ranges().size());
}

} // namespace
