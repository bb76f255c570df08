#pragma once

#include "lexerdefinition.h"
#include "syntaxregex.h"

#include <QString>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

class SyntAnalyzer;
class TagList;

// The immutable rule objects a SyntAnalyzer builds from its definition. Only the tag lists of
// conditions change at run time (the configuration-name lists).

class SyntRule {
public:
    enum Kind { TokenKind, BlockKind, SubKind };
    Kind kind = TokenKind;
    QString DisplayName;
    bool Enabled = true;
    QString StyleName;
    int styleIndex = -1; // into the owning lexer's formats; -1 = none
    QString BlockName;
    const SyntRule *parentRule = nullptr; // the rule BlockName names, when it is in the same lexer
    bool StrictParent = false;
    bool NotParent = false;
    bool AlwaysEnabled = false;
    const SyntAnalyzer *lexer = nullptr;
    int index = -1; // token rules first, then block rules (SyntAnalyzer::rule)
};

class TokenRule : public SyntRule {
public:
    int TokenType = 0;
    SyntaxRegex expression;
    int ColumnFrom = 0;
    int ColumnTo = 0;
};

class TagCondition {
public:
    TTagConditionType CondType = tcEqual;
    std::uint32_t TokenTypes = 0;
    bool IgnoreCase = false;
    TagList *tags = nullptr; // owned by the lexer

    // Whether the condition accepts a token of that text and type.
    bool accepts(QStringView text, int type) const
    {
        if (TokenTypes != 0) {
            const bool b = type >= 0 && type < 32 && ((TokenTypes >> type) & 1);
            if (CondType == tcSkip)
                return b;
            if (!b)
                return CondType == tcNotEqual;
        }
        if (surelyRefused(text))
            return CondType == tcNotEqual;
        return acceptsText(text);
    }
    // Called when the tag list changes: rebuilds the lookup table, the compiled masks and the
    // quick-rejection data below.
    void rebuild();

    // Cheap pre-tests for sorting rules out in advance: false when no token of that type, text
    // length or first character can be accepted; true when unsure. They follow the tags as of
    // the last rebuild().
    bool mayAcceptType(int type) const
    {
        return TokenTypes == 0 || CondType == tcNotEqual || (type >= 0 && type < 32 && ((TokenTypes >> type) & 1));
    }
    bool mayAcceptLength(qsizetype length) const
    {
        return !refusesByText() || !m_masks.empty() || ((m_lengths >> std::min<qsizetype>(length, 63)) & 1);
    }
    bool mayAcceptFirst(char16_t c) const
    {
        if (!refusesByText())
            return true;
        if (IgnoreCase && m_masks.empty()) {
            if (c >= 128)
                return true;
            if (c >= 'A' && c <= 'Z')
                c += 32;
        }
        return mayStartWith(c);
    }

private:
    bool acceptsText(QStringView text) const;
    bool contains(QStringView text) const;
    bool mayStartWith(char16_t c) const
    {
        return c < 128 ? (m_first[c >> 6] >> (c & 63)) & 1 : m_firstNonAscii;
    }
    // Whether a text outside the tags is refused: an empty list accepts any, and a not-equal
    // condition accepts what it lacks.
    bool refusesByText() const { return !m_anyText && CondType != tcNotEqual; }
    // True when no tag can equal the text (no mask can match it): cheap tests only, so false
    // proves nothing. An empty list is left to acceptsText.
    bool surelyRefused(QStringView text) const
    {
        if (text.isEmpty() || m_anyText)
            return false;
        char16_t c = text.front().unicode();
        if (!m_masks.empty())
            return !mayStartWith(c);
        if (IgnoreCase) {
            if (c >= 128)
                return false; // folding beyond ASCII is left to the lookup
            if (c >= 'A' && c <= 'Z')
                c += 32;
        }
        return !((m_lengths >> std::min<qsizetype>(text.size(), 63)) & 1) || !mayStartWith(c);
    }

    // Most tokens fail every condition; these reject them before the lookup. Bit min(length, 63)
    // is set for each tag length; m_first holds the first characters (case-folded with
    // IgnoreCase) of the tags, or for masks those their expressions can start with.
    bool m_anyText = true; // no tags: the text does not matter
    std::uint64_t m_lengths = 0;
    std::uint64_t m_first[2] = {0, 0};
    bool m_firstNonAscii = false;
    // Open addressing over the tags (case-folded with IgnoreCase): -1 or an index into m_words.
    std::vector<QString> m_words;
    std::vector<int> m_slots;
    std::vector<SyntaxRegex> m_masks;
};

class BlockRule : public SyntRule {
public:
    TBlockType BlockType = btRangeStart;
    std::vector<std::unique_ptr<TagCondition>> conditions;
    QString BlockEnd;
    bool Highlight = false;
    TDynamicHighlight DynHighlight = dhNone;
    THighlightPos HighlightPos = cpAny;
    bool RefToCondEnd = false;
    int IdentIndex = 0;
    int BlockOffset = 0;
    bool SameIdent = false;
    bool SelfClose = false;
    bool NoEndRule = false;
    bool CancelNextRules = false;
    bool NotCollapsed = false;
    bool DrawStaple = false;
    TLineBreakPos LinePos = lbTop;
    SyntaxColor PenColor;
    bool UseCustomPen = false;
    bool IgnoreAsParent = false;
    int TokenType = -1;
    QString GrammaRuleName;
    int grammarProduction = -1;

    // Check offset: how many tokens back from the newest one the conditions start.
    int checkOffset() const
    {
        if (RefToCondEnd)
            return 0;
        if (BlockOffset < 0 && BlockOffset < IdentIndex)
            return -BlockOffset;
        if (IdentIndex < 0)
            return -IdentIndex;
        return 0;
    }
};

class SubAnalyzerRule : public SyntRule {
public:
    SyntaxRegex startExpression;
    SyntaxRegex endExpression;
    SyntAnalyzer *analyzer = nullptr;
    bool IncludeBounds = false;
    bool FromTextBegin = false;
    bool ToTextEnd = false;
};
