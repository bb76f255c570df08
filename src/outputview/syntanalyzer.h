#pragma once

#include "lexerdefinition.h"
#include "syntaxgrammar.h"
#include "syntaxrules.h"

#include <QObject>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TagList;

// One lexer (TSyntAnalyzer): its definition turned into rule objects with compiled expressions,
// resolved styles, parent rules, sub-lexers and grammar. Emits `changed` when a condition's tag
// list changes, which invalidates every analysis that uses the lexer.
class SyntAnalyzer : public QObject {
    Q_OBJECT
public:
    using Resolver = std::function<SyntAnalyzer *(const QString &lexerName)>;

    explicit SyntAnalyzer(LexerDefinition definition, const Resolver &resolveSubLexer = {},
                          QObject *parent = nullptr);
    ~SyntAnalyzer() override;

    const LexerDefinition &definition() const { return m_def; }
    const QString &LexerName() const { return m_def.LexerName; }
    bool SkipSpaces() const { return m_def.SkipSpaces; }
    bool ParseEndOfLine() const { return m_def.ParseEndOfLine; }
    bool isInternal() const { return m_def.Internal; }

    const std::vector<SyntaxFormatDef> &formats() const { return m_def.Formats; }
    int styleIndex(const QString &name) const;
    int defaultStyleIndex() const { return m_defaultStyle; }
    int markedBlockStyleIndex() const { return m_markedStyle; }

    const std::vector<std::unique_ptr<TokenRule>> &tokenRules() const { return m_tokenRules; }
    const std::vector<std::unique_ptr<BlockRule>> &blockRules() const { return m_blockRules; }
    const std::vector<std::unique_ptr<SubAnalyzerRule>> &subAnalyzers() const { return m_subRules; }
    // Token rules and block rules in one numbering (SyntRule::index).
    const SyntRule *rule(int index) const { return m_rules[size_t(index)]; }
    int ruleCount() const { return int(m_rules.size()); }
    const BlockRule *findBlockRule(const QString &displayName) const;

    // The enabled token rules, in order, whose expressions can start with `c` (AlwaysEnabled ones
    // only with `alwaysOnly`); `skipsSome` tells whether any other enabled rule was left out.
    struct TokenCandidates {
        std::vector<const TokenRule *> rules;
        bool skipsSome = false;
    };
    const TokenCandidates &tokenRulesFor(QChar c, bool alwaysOnly) const
    {
        const char16_t u = c.unicode();
        return m_tokenRulesByChar[alwaysOnly][u < 128 ? u : 128];
    }
    // The block rules that may match for the newest token, as bits over blockRules() indices:
    // word `word` of the set, bit i for rule 64 * word + i. Disabled rules are left out, and so
    // are rules whose first condition tests the newest token and refuses its type, length or
    // first character. `alwaysOnly` keeps the AlwaysEnabled ones (the main lexer's inside a
    // sub-lexer).
    int blockRuleWords() const { return m_ruleWords; }
    std::uint64_t blockRuleCandidates(int word, QStringView newest, int type, bool alwaysOnly) const
    {
        const size_t w = size_t(word);
        const size_t t = type >= 0 && type < 32 ? size_t(type) : 32;
        const size_t len = size_t(std::min<qsizetype>(newest.size(), 63));
        const size_t c = newest.isEmpty() ? 129 : std::min<size_t>(newest.front().unicode(), 128);
        const size_t words = size_t(m_ruleWords);
        return m_byType[alwaysOnly][t * words + w] & m_byLength[len * words + w] & m_byFirst[c * words + w];
    }

    const SyntaxGrammar &grammar() const { return m_grammar; }
    // How many tokens back from the newest one any block rule can look; -1 when unbounded.
    int lookBehind() const { return m_lookBehind; }

    // Sub-lexer rules name their lexer; a library wires them once every lexer exists.
    void resolveSubLexers(const Resolver &resolve);

signals:
    void changed();

private:
    void indexBlockRules();

    LexerDefinition m_def;
    std::vector<std::unique_ptr<TokenRule>> m_tokenRules;
    std::vector<std::unique_ptr<BlockRule>> m_blockRules;
    std::vector<std::unique_ptr<SubAnalyzerRule>> m_subRules;
    std::vector<const SyntRule *> m_rules;
    // The bits of blockRuleCandidates: per type (32: beyond 0..31), per length (63: longer)
    // and per first character (128: beyond ASCII, 129: no text).
    int m_ruleWords = 0;
    std::vector<std::uint64_t> m_byType[2], m_byLength, m_byFirst;
    TokenCandidates m_tokenRulesByChar[2][129]; // slot 128: beyond ASCII, all alike
    SyntaxGrammar m_grammar;
    int m_defaultStyle = -1;
    int m_markedStyle = -1;
    int m_lookBehind = 0;
};
