#include "syntanalyzer.h"

#include "taglist.h"

#include <algorithm>

namespace {

char16_t folded(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 128)
        return u >= 'A' && u <= 'Z' ? char16_t(u + 32) : u;
    return c.toCaseFolded().unicode();
}

int compareFolded(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = folded(a[i]), y = folded(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

template <typename Rule, typename Def>
void copyCommon(Rule &r, const Def &d)
{
    r.DisplayName = d.DisplayName;
    r.Enabled = d.Enabled;
    r.StyleName = d.StyleName;
    r.AlwaysEnabled = d.AlwaysEnabled;
}

} // namespace

void TagCondition::rebuild()
{
    m_folded.clear();
    m_masks.clear();
    if (!tags)
        return;
    if (CondType == tcMask || CondType == tcStrictMask) {
        for (const QString &t : tags->words())
            m_masks.emplace_back(t);
    } else if (IgnoreCase) {
        m_folded.assign(tags->words().cbegin(), tags->words().cend());
        std::sort(m_folded.begin(), m_folded.end(),
                  [](const QString &a, const QString &b) { return compareFolded(a, b) < 0; });
    }
}

bool TagCondition::contains(QStringView text) const
{
    if (!IgnoreCase)
        return tags->contains(text);
    const auto it = std::lower_bound(m_folded.cbegin(), m_folded.cend(), text,
                                     [](const QString &a, QStringView b) { return compareFolded(a, b) < 0; });
    return it != m_folded.cend() && compareFolded(*it, text) == 0;
}

bool TagCondition::accepts(QStringView text, int type) const
{
    if (TokenTypes != 0) {
        const bool b = type >= 0 && type < 32 && ((TokenTypes >> type) & 1);
        if (CondType == tcSkip)
            return b;
        if (!b)
            return CondType == tcNotEqual;
    }
    if (!tags || tags->size() == 0)
        return CondType != tcNotEqual;
    switch (CondType) {
    case tcMask:
        return std::any_of(m_masks.cbegin(), m_masks.cend(), [&](const SyntaxRegex &re) { return re.match(text, 0) > 0; });
    case tcStrictMask:
        return std::any_of(m_masks.cbegin(), m_masks.cend(),
                           [&](const SyntaxRegex &re) { return re.match(text, 0) == text.size(); });
    case tcNotEqual: return !contains(text);
    case tcEqual:
    case tcSkip: return contains(text);
    }
    return false;
}

SyntAnalyzer::SyntAnalyzer(LexerDefinition definition, const Resolver &resolveSubLexer, QObject *parent)
    : QObject(parent), m_def(std::move(definition))
{
    m_defaultStyle = styleIndex(m_def.DefaultStyleName);
    m_markedStyle = styleIndex(m_def.MarkedBlockStyle);
    m_grammar.compile(m_def.Gramma, m_def.TokenTypeNames);

    for (const TokenRuleDef &d : m_def.TokenRules) {
        auto r = std::make_unique<TokenRule>();
        copyCommon(*r, d);
        r->kind = SyntRule::TokenKind;
        r->BlockName = d.BlockName;
        r->StrictParent = d.StrictParent;
        r->NotParent = d.NotParent;
        r->TokenType = d.TokenType;
        r->expression.compile(d.Expression);
        r->ColumnFrom = d.ColumnFrom;
        r->ColumnTo = d.ColumnTo;
        m_tokenRules.push_back(std::move(r));
    }
    const int grammarDepth = m_grammar.maxLength();
    for (const BlockRuleDef &d : m_def.BlockRules) {
        auto r = std::make_unique<BlockRule>();
        copyCommon(*r, d);
        r->kind = SyntRule::BlockKind;
        r->BlockName = d.BlockName;
        r->StrictParent = d.StrictParent;
        r->NotParent = d.NotParent;
        r->BlockType = d.BlockType;
        for (const TagConditionDef &c : d.ConditionList) {
            auto cond = std::make_unique<TagCondition>();
            cond->CondType = c.CondType;
            cond->TokenTypes = c.TokenTypes;
            cond->IgnoreCase = c.IgnoreCase;
            cond->tags = new TagList(c.TagList, this);
            cond->rebuild();
            TagCondition *raw = cond.get();
            connect(cond->tags, &TagList::changed, this, [this, raw] {
                raw->rebuild();
                emit changed();
            });
            r->conditions.push_back(std::move(cond));
        }
        r->BlockEnd = d.BlockEnd;
        r->Highlight = d.Highlight;
        r->DynHighlight = d.DynHighlight;
        r->HighlightPos = d.HighlightPos;
        r->RefToCondEnd = d.RefToCondEnd;
        r->IdentIndex = d.IdentIndex;
        r->BlockOffset = d.BlockOffset;
        r->SameIdent = d.SameIdent;
        r->SelfClose = d.SelfClose;
        r->NoEndRule = d.NoEndRule;
        r->CancelNextRules = d.CancelNextRules;
        r->NotCollapsed = d.NotCollapsed;
        r->DrawStaple = d.DrawStaple;
        r->LinePos = d.LinePos;
        r->PenColor = d.PenColor;
        r->UseCustomPen = d.UseCustomPen;
        r->IgnoreAsParent = d.IgnoreAsParent;
        r->TokenType = d.TokenType;
        r->GrammaRuleName = d.GrammaRuleName;
        r->grammarProduction = m_grammar.findProduction(d.GrammaRuleName);

        if (m_lookBehind >= 0) {
            int reach = -1;
            if (!d.GrammaRuleName.isEmpty())
                reach = grammarDepth < 0 ? -1 : grammarDepth;
            else if (std::none_of(d.ConditionList.cbegin(), d.ConditionList.cend(),
                                  [](const TagConditionDef &c) { return c.CondType == tcSkip; }))
                reach = int(d.ConditionList.size());
            if (reach < 0)
                m_lookBehind = -1;
            else
                m_lookBehind = std::max(m_lookBehind, reach + r->checkOffset() + std::abs(d.IdentIndex) +
                                                          std::abs(d.BlockOffset));
        }
        m_blockRules.push_back(std::move(r));
    }
    for (const SubAnalyzerRuleDef &d : m_def.SubAnalyzers) {
        auto r = std::make_unique<SubAnalyzerRule>();
        copyCommon(*r, d);
        r->kind = SyntRule::SubKind;
        r->startExpression.compile(d.StartExpression);
        r->endExpression.compile(d.EndExpression);
        r->IncludeBounds = d.IncludeBounds;
        r->FromTextBegin = d.FromTextBegin;
        r->ToTextEnd = d.ToTextEnd;
        m_subRules.push_back(std::move(r));
    }

    int index = 0;
    auto finish = [&](SyntRule &r) {
        r.lexer = this;
        r.styleIndex = styleIndex(r.StyleName);
        if (!r.BlockName.isEmpty())
            r.parentRule = findBlockRule(r.BlockName);
    };
    for (auto &r : m_tokenRules) {
        finish(*r);
        r->index = index++;
        m_rules.push_back(r.get());
    }
    for (auto &r : m_blockRules) {
        finish(*r);
        r->index = index++;
        m_rules.push_back(r.get());
    }
    for (auto &r : m_subRules)
        finish(*r);
    if (resolveSubLexer)
        resolveSubLexers(resolveSubLexer);
}

SyntAnalyzer::~SyntAnalyzer() = default;

void SyntAnalyzer::resolveSubLexers(const Resolver &resolve)
{
    for (size_t i = 0; i < m_subRules.size(); ++i)
        m_subRules[i]->analyzer = resolve(m_def.SubAnalyzers[i].SyntAnalyzer);
}

int SyntAnalyzer::styleIndex(const QString &name) const
{
    if (name.isEmpty())
        return -1;
    for (size_t i = 0; i < m_def.Formats.size(); ++i) {
        if (m_def.Formats[i].DisplayName == name)
            return int(i);
    }
    return -1;
}

const BlockRule *SyntAnalyzer::findBlockRule(const QString &displayName) const
{
    for (const auto &r : m_blockRules) {
        if (r->DisplayName == displayName)
            return r.get();
    }
    return nullptr;
}
