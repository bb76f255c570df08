#include "syntanalyzer.h"

#include "taglist.h"

#include <algorithm>

namespace {

char16_t folded(char16_t u)
{
    if (u < 128)
        return u >= 'A' && u <= 'Z' ? char16_t(u + 32) : u;
    return QChar(u).toCaseFolded().unicode();
}

// FNV-1a over the code units, case-folded or as they are.
template <bool Fold>
std::uint32_t hashOf(QStringView s)
{
    std::uint32_t h = 2166136261u;
    for (const QChar c : s)
        h = (h ^ (Fold ? folded(c.unicode()) : c.unicode())) * 16777619u;
    return h ^ (h >> 15);
}

// `word` is already folded when Fold is set.
template <bool Fold>
bool sameWord(const QString &word, QStringView text)
{
    if (word.size() != text.size())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (word[i].unicode() != (Fold ? folded(c) : c))
            return false;
    }
    return true;
}

template <bool Fold>
bool lookUp(const std::vector<QString> &words, const std::vector<int> &table, QStringView text)
{
    const size_t mask = table.size() - 1;
    for (size_t i = hashOf<Fold>(text) & mask;; i = (i + 1) & mask) {
        const int w = table[i];
        if (w < 0)
            return false;
        if (sameWord<Fold>(words[size_t(w)], text))
            return true;
    }
}

// The condition a rule tests the newest token with first, if it has one such; rules without it
// are candidates for any newest token.
const TagCondition *newestTokenTest(const BlockRule &r)
{
    if (!r.GrammaRuleName.isEmpty() || r.conditions.empty() || r.checkOffset() != 0)
        return nullptr;
    const TagCondition *c0 = r.conditions.front().get();
    return c0->CondType == tcSkip ? nullptr : c0;
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
    m_lengths = 0;
    m_first[0] = m_first[1] = 0;
    m_firstNonAscii = false;
    m_words.clear();
    m_slots.clear();
    m_masks.clear();
    m_anyText = !tags || tags->size() == 0;
    if (m_anyText)
        return;
    if (CondType == tcMask || CondType == tcStrictMask) {
        for (const QString &t : tags->words())
            m_masks.emplace_back(t);
        for (char16_t c = 0; c < 128; ++c) {
            if (std::any_of(m_masks.cbegin(), m_masks.cend(), [c](const SyntaxRegex &re) { return re.canStartWith(QChar(c)); }))
                m_first[c >> 6] |= std::uint64_t(1) << (c & 63);
        }
        // Beyond ASCII the expressions answer alike for every character.
        m_firstNonAscii = std::any_of(m_masks.cbegin(), m_masks.cend(),
                                      [](const SyntaxRegex &re) { return re.canStartWith(QChar(char16_t(0x80))); });
        return;
    }
    m_words.reserve(size_t(tags->size()));
    for (const QString &t : tags->words()) {
        QString w = t;
        if (IgnoreCase) {
            for (QChar &c : w)
                c = QChar(folded(c.unicode()));
        }
        m_lengths |= std::uint64_t(1) << std::min<qsizetype>(w.size(), 63);
        if (!w.isEmpty()) {
            const char16_t c = w.front().unicode();
            if (c < 128)
                m_first[c >> 6] |= std::uint64_t(1) << (c & 63);
            else
                m_firstNonAscii = true;
        }
        m_words.push_back(std::move(w));
    }
    size_t size = 2;
    while (size < 2 * m_words.size())
        size *= 2;
    m_slots.assign(size, -1);
    for (size_t i = 0; i < m_words.size(); ++i) {
        const QString &w = m_words[i];
        size_t slot = hashOf<false>(w) & (size - 1);
        while (m_slots[slot] >= 0)
            slot = (slot + 1) & (size - 1);
        m_slots[slot] = int(i);
    }
}

bool TagCondition::contains(QStringView text) const
{
    if (m_slots.empty())
        return false;
    if (!((m_lengths >> std::min<qsizetype>(text.size(), 63)) & 1))
        return false;
    if (IgnoreCase) {
        if (!text.isEmpty() && !mayStartWith(folded(text.front().unicode())))
            return false;
        return lookUp<true>(m_words, m_slots, text);
    }
    return lookUp<false>(m_words, m_slots, text);
}

bool TagCondition::acceptsText(QStringView text) const
{
    if (!tags || tags->size() == 0)
        return CondType != tcNotEqual;
    switch (CondType) {
    case tcMask:
        // A match consumes at least the first character.
        if (text.isEmpty())
            return false;
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
                indexBlockRules();
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
    for (char16_t c = 0; c <= 128; ++c) {
        for (const bool alwaysOnly : {false, true}) {
            TokenCandidates &t = m_tokenRulesByChar[alwaysOnly][c];
            for (const auto &r : m_tokenRules) {
                if (!r->Enabled || (alwaysOnly && !r->AlwaysEnabled))
                    continue;
                if (r->expression.canStartWith(QChar(c)))
                    t.rules.push_back(r.get());
                else
                    t.skipsSome = true;
            }
        }
    }
    indexBlockRules();
    if (resolveSubLexer)
        resolveSubLexers(resolveSubLexer);
}

SyntAnalyzer::~SyntAnalyzer() = default;

void SyntAnalyzer::indexBlockRules()
{
    const size_t words = (m_blockRules.size() + 63) / 64;
    m_ruleWords = int(words);
    for (auto &bits : m_byType)
        bits.assign(33 * words, 0);
    m_byLength.assign(64 * words, 0);
    m_byFirst.assign(130 * words, 0);
    for (size_t i = 0; i < m_blockRules.size(); ++i) {
        const BlockRule &r = *m_blockRules[i];
        // Without conditions or a grammar production a rule matches nothing.
        if (!r.Enabled || (r.conditions.empty() && r.GrammaRuleName.isEmpty()))
            continue;
        const size_t w = i / 64;
        const std::uint64_t bit = std::uint64_t(1) << (i % 64);
        const TagCondition *test = newestTokenTest(r);
        for (int type = 0; type <= 32; ++type) {
            if (test && !test->mayAcceptType(type < 32 ? type : -1))
                continue;
            m_byType[0][size_t(type) * words + w] |= bit;
            if (r.AlwaysEnabled)
                m_byType[1][size_t(type) * words + w] |= bit;
        }
        for (int length = 0; length < 64; ++length) {
            if (!test || test->mayAcceptLength(length))
                m_byLength[size_t(length) * words + w] |= bit;
        }
        for (char16_t c = 0; c < 130; ++c) {
            // 128 stands for every character beyond ASCII: they all answer alike.
            if (!test || c == 129 || test->mayAcceptFirst(c))
                m_byFirst[size_t(c) * words + w] |= bit;
        }
    }
}

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
