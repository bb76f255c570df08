#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <vector>

// The lexers' regular-expression dialect. A match is anchored at one position and its result is
// the number of characters consumed there; 0 means no match (an empty match counts as none).
//
// Every match runs under a step budget of StepBudgetBase + StepBudgetPerChar * (characters from
// the position to the end of the text) and a recursion limit of MaxDepth; a pattern that would
// exceed either fails to match instead of hanging or overflowing the stack.
class SyntaxRegex {
public:
    enum Modifier {
        ModIgnoreCase = 1,
        ModRussianRanges = 2,
        ModSingleLine = 4,
        ModGreedy = 8,
        ModMultiLine = 16,
        ModExtended = 32,
    };
    static constexpr int DefaultModifiers = ModIgnoreCase | ModGreedy | ModMultiLine | ModExtended;
    static constexpr std::int64_t StepBudgetBase = 100000;
    static constexpr std::int64_t StepBudgetPerChar = 16;
    static constexpr int MaxDepth = 8000;

    SyntaxRegex() = default;
    explicit SyntaxRegex(const QString &pattern, int modifiers = DefaultModifiers);

    // Compiles the pattern; on failure the expression never matches and errorString() says why.
    bool compile(const QString &pattern, int modifiers = DefaultModifiers);
    bool isValid() const { return m_valid; }
    const QString &errorString() const { return m_error; }
    const QString &pattern() const { return m_pattern; }

    // Characters consumed by a match starting at `pos`, or 0. When `readEnd` is given it is raised
    // to one past the furthest offset the match looked at (text.size() + 1 when it tested the end
    // of the text), so callers know which part of the text a result depends on.
    int match(QStringView text, qsizetype pos, qsizetype *readEnd = nullptr) const;

    // Whether a match at `pos` could consume the character there; a cheap pre-test.
    bool canStartWith(QChar c) const
    {
        const char16_t u = c.unicode();
        return u < 128 ? (m_first[u >> 6] >> (u & 63)) & 1 : m_firstNonAscii;
    }

    struct Node;
    struct CharClass;

private:
    friend struct RegexMatcher;
    friend class RegexCompiler;

    QString m_pattern;
    QString m_error;
    bool m_valid = false;
    int m_start = -1;
    int m_loopCount = 0;
    std::vector<Node> m_nodes;
    std::vector<CharClass> m_classes;
    std::uint64_t m_first[2] = {0, 0};
    bool m_firstNonAscii = false;
};

struct SyntaxRegex::CharClass {
    enum Builtin : std::uint8_t { Digit = 1, Word = 2, Space = 4, NotDigit = 8, NotWord = 16, NotSpace = 32 };
    std::uint64_t ascii[2] = {0, 0}; // final answer for ASCII, case and negation applied
    std::vector<std::pair<char16_t, char16_t>> ranges;
    std::uint8_t builtins = 0;
    bool negated = false;
    bool ignoreCase = false;

    bool containsRaw(char16_t c) const;
    bool contains(char16_t c) const
    {
        if (c < 128)
            return (ascii[c >> 6] >> (c & 63)) & 1;
        return containsSlow(c);
    }
    bool containsSlow(char16_t c) const;
    void finish();
};

struct SyntaxRegex::Node {
    enum Type : std::uint8_t {
        Match,
        Char,
        Any,
        Class,
        LineBreak,
        LineStart,
        LineEnd,
        TextStart,
        TextEnd,
        WordBoundary,
        NotWordBoundary,
        Split,
        SimpleRepeat,
        Repeat,
        RepeatTail,
    };
    Type type = Match;
    bool greedy = true;
    bool flag = false; // Any: single-line; LineStart/LineEnd: multi-line
    char16_t c1 = 0, c2 = 0; // Char: the character and its other case
    int next = -1;
    int arg = -1;            // Class: class index; SimpleRepeat: item node; Repeat: body; Tail: loop node
    int loop = -1;           // Repeat: counter slot
    int min = 0, max = -1;   // -1 = unbounded
    std::vector<int> alternatives; // Split
};
