#pragma once

#include "lexerdefinition.h"
#include "syntaxgrammar.h"
#include "syntaxrules.h"

#include <QObject>
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
    // The enabled block rules, in order, that may match when the newest token has type `type`:
    // a rule whose first condition tests that token and refuses its type is left out.
    // `alwaysOnly` keeps only the AlwaysEnabled ones (the main lexer's inside a sub-lexer).
    const std::vector<const BlockRule *> &blockRulesFor(int type, bool alwaysOnly) const
    {
        return m_blockRulesByType[alwaysOnly][type >= 0 && type < 32 ? type : 32];
    }

    const SyntaxGrammar &grammar() const { return m_grammar; }
    // How many tokens back from the newest one any block rule can look; -1 when unbounded.
    int lookBehind() const { return m_lookBehind; }

    // Sub-lexer rules name their lexer; a library wires them once every lexer exists.
    void resolveSubLexers(const Resolver &resolve);

signals:
    void changed();

private:
    LexerDefinition m_def;
    std::vector<std::unique_ptr<TokenRule>> m_tokenRules;
    std::vector<std::unique_ptr<BlockRule>> m_blockRules;
    std::vector<std::unique_ptr<SubAnalyzerRule>> m_subRules;
    std::vector<const SyntRule *> m_rules;
    std::vector<const BlockRule *> m_blockRulesByType[2][33]; // slot 32: types beyond 0..31
    TokenCandidates m_tokenRulesByChar[2][129];             // slot 128: beyond ASCII, all alike
    SyntaxGrammar m_grammar;
    int m_defaultStyle = -1;
    int m_markedStyle = -1;
    int m_lookBehind = 0;
};
