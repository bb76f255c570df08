#include "syntaxmanager.h"
#include "taglist.h"

#include <gtest/gtest.h>

namespace {

const BlockRule *blockRule(const SyntAnalyzer *lexer, const char *name)
{
    const BlockRule *r = lexer->findBlockRule(QString::fromUtf8(name));
    EXPECT_NE(r, nullptr) << name;
    return r;
}

} // namespace

TEST(LexerLibrary, FindsLexersByNameAndExtension)
{
    SyntaxManager SyntaxManager1;
    SyntAnalyzer *tessel = SyntaxManager1.FindAnalyzer(u"tessel");
    SyntAnalyzer *mpasm = SyntaxManager1.FindAnalyzer(u"MPASM");
    ASSERT_NE(tessel, nullptr);
    ASSERT_NE(mpasm, nullptr);
    EXPECT_EQ(tessel->LexerName(), QStringLiteral("Tessel"));
    EXPECT_EQ(SyntaxManager1.FindAnalyzer(u"Tessel "), nullptr);

    EXPECT_EQ(SyntaxManager1.AnalyzerForFile(u"a.asm"), mpasm);
    EXPECT_EQ(SyntaxManager1.AnalyzerForFile(u"x/y.inc"), mpasm);
    EXPECT_EQ(SyntaxManager1.AnalyzerForFile(u"prog.tesselmod"), tessel);
    EXPECT_EQ(SyntaxManager1.AnalyzerForFile(u"prog.c"), nullptr);
    EXPECT_EQ(SyntaxManager1.AnalyzerForFile(u"asm"), nullptr);

    // Every sub-lexer rule of the BASIC lexer hands over to the one library MPASM lexer.
    ASSERT_EQ(tessel->subAnalyzers().size(), 3u);
    for (const auto &sub : tessel->subAnalyzers())
        EXPECT_EQ(sub->analyzer, mpasm);
    const auto startUp = SyntaxManager1.createStartUpLexer();
    for (const auto &sub : startUp->subAnalyzers())
        EXPECT_EQ(sub->analyzer, mpasm);
}

TEST(LexerLibrary, DefinitionsCompileCompletely)
{
    SyntaxManager library;
    for (int i = 0; i < library.count(); ++i) {
        const SyntAnalyzer *lexer = library.analyzer(i);
        for (const auto &r : lexer->tokenRules())
            EXPECT_TRUE(r->expression.isValid()) << r->DisplayName.toStdString();
        for (const auto &r : lexer->tokenRules())
            EXPECT_TRUE(r->StyleName.isEmpty() || r->styleIndex >= 0) << r->DisplayName.toStdString();
        for (const auto &r : lexer->blockRules()) {
            EXPECT_TRUE(r->StyleName.isEmpty() || r->styleIndex >= 0) << r->DisplayName.toStdString();
            EXPECT_TRUE(r->GrammaRuleName.isEmpty() || lexer->grammar().isValid(r->grammarProduction))
                << r->DisplayName.toStdString();
            EXPECT_TRUE(r->BlockName.isEmpty() || r->parentRule) << r->DisplayName.toStdString();
        }
        EXPECT_GE(lexer->defaultStyleIndex(), 0);
        EXPECT_GE(lexer->markedBlockStyleIndex(), 0);
    }
    const SyntAnalyzer *tessel = library.FindAnalyzer(u"Tessel");
    EXPECT_EQ(tessel->formats().size(), 23u);
    EXPECT_EQ(tessel->tokenRules().size(), 17u);
    EXPECT_EQ(tessel->blockRules().size(), 34u);
    EXPECT_EQ(blockRule(tessel, "Key words")->conditions[0]->tags->size(), 429);
    const SyntAnalyzer *mpasm = library.FindAnalyzer(u"MPASM");
    EXPECT_EQ(mpasm->formats().size(), 10u);
    EXPECT_EQ(blockRule(mpasm, "Reserved words")->conditions[0]->tags->size(), 54);
    EXPECT_EQ(blockRule(mpasm, "Registers")->conditions[0]->tags->size(), 28);
}

TEST(LexerLibrary, KeyWordRangesExpandWithoutLeadingZeros)
{
    SyntaxManager library;
    const TagList *words = blockRule(library.FindAnalyzer(u"Tessel"), "Key words")->conditions[0]->tags;
    for (const char *w : {"BANK0", "BANK15", "BIN32", "BIT0", "BIT31", "DEC10", "HEX8", "R0", "R8", "WORD1", "XORNOT"})
        EXPECT_TRUE(words->contains(QString::fromLatin1(w))) << w;
    for (const char *w : {"BANK16", "BANK01", "BIN0", "BIT32", "R9", "WORD2"})
        EXPECT_FALSE(words->contains(QString::fromLatin1(w))) << w;
}

TEST(LexerLibrary, ConfigBitListsStartAsDefined)
{
    SyntaxManager library;
    const SyntAnalyzer *mpasm = library.AnalyzerForFile(u"a.asm");
    const TagList *oldStyle = FirstConditionTags(mpasm, QStringLiteral("Config Bits"));
    const TagList *newStyle = FirstConditionTags(mpasm, QStringLiteral("NewStyle Config Bits"));
    ASSERT_TRUE(oldStyle && newStyle);
    EXPECT_EQ(oldStyle->words(), QStringList{QString()});
    EXPECT_EQ(newStyle->words(), QStringList({QStringLiteral("CLKOUTEN"), QStringLiteral("FOSC")}));
    EXPECT_EQ(FirstConditionTags(mpasm, QStringLiteral("No such rule")), nullptr);
}

TEST(LexerLibrary, StartUpLexerDiffersInThreePlaces)
{
    SyntaxManager library;
    const auto startUp = library.createStartUpLexer();
    const SyntAnalyzer *tessel = library.FindAnalyzer(u"Tessel");
    const auto &a = tessel->definition(), &b = startUp->definition();
    ASSERT_EQ(a.Formats.size(), b.Formats.size());
    int styleDiffs = 0;
    for (size_t i = 0; i < a.Formats.size(); ++i)
        styleDiffs += !(a.Formats[i].FontColor == b.Formats[i].FontColor);
    EXPECT_EQ(styleDiffs, 1);
    EXPECT_EQ(b.Formats[6].FontColor, SyntaxColors::clHighlight);
    int ruleDiffs = 0;
    for (size_t i = 0; i < a.BlockRules.size(); ++i)
        ruleDiffs += a.BlockRules[i].NotCollapsed != b.BlockRules[i].NotCollapsed;
    EXPECT_EQ(ruleDiffs, 2);
    EXPECT_FALSE(blockRule(startUp.get(), "#CONFIG")->NotCollapsed);
    EXPECT_FALSE(blockRule(startUp.get(), "#IF")->NotCollapsed);
}

TEST(SyntaxGrammar, CompilesProductionsAndMatchesBackwards)
{
    SyntaxGrammar g;
    g.compile(QStringLiteral("// comment\r\n/* block */ Var ::= <Identifier> 'var'\r\n"
                             "Byte ::= Var \"BYTE\" | Var \"BYTE\" ( '[' <Integer const> ']' )?;\r\n"
                             "Empty ::= '' ; Broken ::= 'x' | ;"),
              {QStringLiteral("Unknown"), QStringLiteral("Comment"), QStringLiteral("Identifier"), QStringLiteral("Symbol"),
               QStringLiteral("String"), QStringLiteral("Integer const")});
    EXPECT_EQ(g.findProduction(u"var"), 0); // missing ";" forgiven
    const int byte = g.findProduction(u"BYTE");
    ASSERT_GE(byte, 0);
    EXPECT_FALSE(g.isValid(g.findProduction(u"Empty")));
    EXPECT_FALSE(g.isValid(g.findProduction(u"Broken")));

    struct Tok {
        const char16_t *text;
        int type;
    };
    auto run = [&](std::vector<Tok> toks) {
        SyntaxGrammar::Tokens access{[&](int i) { return QStringView(toks[size_t(i)].text); },
                                     [&](int i) { return toks[size_t(i)].type; }};
        return g.match(byte, access, int(toks.size()) - 1);
    };
    EXPECT_EQ(run({{u"1", 5}, {u"x", 2}, {u"VAR", 2}, {u"BYTE", 2}}), 1);
    EXPECT_EQ(run({{u"x", 2}, {u"VAR", 2}, {u"byte", 2}}), -1); // double quotes compare case
    EXPECT_EQ(run({{u"x", 2}, {u"var", 2}, {u"BYTE", 2}, {u"[", 3}, {u"10", 5}, {u"]", 3}}), 0);
    EXPECT_EQ(run({{u"x", 3}, {u"var", 2}, {u"BYTE", 2}}), -1);
}

TEST(SyntaxGrammar, SelfRecursionAtOneTokenIsAnError)
{
    SyntaxGrammar g;
    g.compile(QStringLiteral("A = 'x' A | 'y';"), {QStringLiteral("Unknown")});
    SyntaxGrammar::Tokens access{[](int) { return QStringView(u"x"); }, [](int) { return 0; }};
    try {
        g.match(0, access, 3);
        FAIL() << "no error";
    } catch (const SyntaxGrammar::Error &e) {
        EXPECT_EQ(e.message, QStringLiteral("Circular stack"));
    }
}

// The pre-test may refuse a newest token only where the match could not consume it: then the
// match reads that token alone, raises no error and consumes nothing.
TEST(SyntaxGrammar, PreTestRefusesOnlyWhatTheMatchCannotTake)
{
    const QStringList types = {QStringLiteral("Unknown"), QStringLiteral("Identifier"), QStringLiteral("Symbol")};
    const char *grammars[] = {
        "Var = <Identifier> 'var'; Byte = Var \"BYTE\" | Var \"BYTE\" ('[' <Symbol> ']')?;",
        "A = 'x' A | 'y';",                 // recursion at the same token: an error
        "A = 'q' B; B = C*; C = A | 'z';",  // the same through an empty repetition
        "A = 'x'? 'y'?; B = A 'z' A;",      // productions that can match nothing
        "A = B 'x'; B = A 'y' | 'z'; C = <Unknown>; D = Missing 'x'; E = Missing? 'x';",
    };
    const char16_t *vocabulary[] = {u"x", u"y", u"z", u"q", u"var", u"BYTE", u"byte", u"[", u"]"};
    int refused = 0;
    for (const char *text : grammars) {
        SyntaxGrammar g;
        g.compile(QString::fromLatin1(text), types);
        // Every token list of up to three words, each as an identifier and as a symbol.
        for (int n = 1; n <= 3; ++n) {
            int combinations = 1;
            for (int i = 0; i < n; ++i)
                combinations *= 18;
            for (int c = 0; c < combinations; ++c) {
                std::vector<std::pair<QStringView, int>> toks;
                for (int i = 0, rest = c; i < n; ++i, rest /= 18)
                    toks.emplace_back(vocabulary[rest % 18 / 2], 1 + rest % 2);
                const int newest = n - 1;
                for (int p = 0; p < g.productionCount(); ++p) {
                    if (g.mayMatchFrom(p, toks[size_t(newest)].first, toks[size_t(newest)].second))
                        continue;
                    ++refused;
                    int lowestRead = newest;
                    SyntaxGrammar::Tokens access{[&](int i) {
                                                     lowestRead = std::min(lowestRead, i);
                                                     return toks[size_t(i)].first;
                                                 },
                                                 [&](int i) {
                                                     lowestRead = std::min(lowestRead, i);
                                                     return toks[size_t(i)].second;
                                                 }};
                    int first = -2;
                    EXPECT_NO_THROW(first = g.match(p, access, newest)) << text << " production " << p;
                    EXPECT_TRUE(first == -1 || first == newest + 1) << text << " production " << p;
                    EXPECT_EQ(lowestRead, newest) << text << " production " << p;
                }
            }
        }
    }
    EXPECT_GT(refused, 0);
}
