#include "syntaxregex.h"

#include <algorithm>
#include <climits>
#include <memory>

namespace {

using Node = SyntaxRegex::Node;
using CharClass = SyntaxRegex::CharClass;

bool isLineBreak(char16_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool isDigitChar(char16_t c)
{
    return c < 128 ? (c >= '0' && c <= '9') : QChar(c).isDigit();
}

bool isWordChar(char16_t c)
{
    if (c < 128)
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    const QChar q(c);
    return q.isLetter() || q.isDigit();
}

bool isSpaceChar(char16_t c)
{
    return c < 128 ? (c == ' ' || (c >= 0x09 && c <= 0x0D)) : QChar(c).isSpace();
}

char16_t lowerOf(char16_t c)
{
    return QChar(c).toLower().unicode();
}

char16_t upperOf(char16_t c)
{
    return QChar(c).toUpper().unicode();
}

void setBit(std::uint64_t *bits, char16_t c)
{
    bits[c >> 6] |= std::uint64_t(1) << (c & 63);
}

// Parse tree; emitted into the node graph once the whole pattern is known to be valid.
struct Ast {
    enum Kind { Empty, Char, Any, Class, LineBreak, Assert, Seq, Alt, Repeat } kind = Empty;
    Node::Type assertType = Node::Match;
    bool flag = false;
    bool greedy = true;
    char16_t c = 0;
    bool ignoreCase = false;
    int classIndex = -1;
    int min = 1, max = 1;
    std::vector<std::unique_ptr<Ast>> children;
};

struct CompileError {
    const char *text;
};

const char *const ErrUnexpectedEnd = "Unexpected end of expression";
const char *const ErrNumberExpected = "Number is expected";
const char *const ErrInvalidLoop = "Invalid loop specifier";
const char *const ErrNoClosingBrace = "There is no closing \"}\"";
const char *const ErrLoopMinMax = "Loop minimum must be less then loop maximum";
const char *const ErrNotClosed = "Do not closed sub expression";

constexpr int MaxCount = 0x7FFFFFF;

} // namespace

bool CharClass::containsRaw(char16_t c) const
{
    for (const auto &r : ranges) {
        if (c >= r.first && c <= r.second)
            return true;
    }
    if (builtins) {
        if ((builtins & Digit) && isDigitChar(c))
            return true;
        if ((builtins & Word) && isWordChar(c))
            return true;
        if ((builtins & Space) && isSpaceChar(c))
            return true;
        if ((builtins & NotDigit) && !isDigitChar(c))
            return true;
        if ((builtins & NotWord) && !isWordChar(c))
            return true;
        if ((builtins & NotSpace) && !isSpaceChar(c))
            return true;
    }
    return false;
}

bool CharClass::containsSlow(char16_t c) const
{
    bool in = containsRaw(c);
    if (!in && ignoreCase) {
        const char16_t l = lowerOf(c), u = upperOf(c);
        in = (l != c && containsRaw(l)) || (u != c && containsRaw(u));
    }
    return in != negated;
}

void CharClass::finish()
{
    ascii[0] = ascii[1] = 0;
    for (char16_t c = 0; c < 128; ++c) {
        if (containsSlow(c))
            setBit(ascii, c);
    }
}

class RegexCompiler {
public:
    RegexCompiler(SyntaxRegex &re, const QString &pattern, int mods) : m_re(re), m_p(pattern), m_mods(mods) {}

    void run()
    {
        auto root = parseAlt();
        if (m_i < m_p.size()) // a ")" without its "("
            throw CompileError{ErrUnexpectedEnd};
        const int match = add(Node{});
        m_re.m_start = emitNode(*root, match);
    }

private:
    bool atEnd() const { return m_i >= m_p.size(); }
    char16_t peek() const { return m_p.at(m_i).unicode(); }

    void skipExtended()
    {
        if (!(m_mods & SyntaxRegex::ModExtended))
            return;
        while (!atEnd()) {
            const char16_t c = peek();
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                ++m_i;
            } else if (c == '#') {
                while (!atEnd() && peek() != '\n' && peek() != '\r')
                    ++m_i;
            } else {
                break;
            }
        }
    }

    std::unique_ptr<Ast> parseAlt()
    {
        auto first = parseSeq();
        if (atEnd() || peek() != '|')
            return first;
        auto alt = std::make_unique<Ast>();
        alt->kind = Ast::Alt;
        alt->children.push_back(std::move(first));
        while (!atEnd() && peek() == '|') {
            ++m_i;
            alt->children.push_back(parseSeq());
        }
        return alt;
    }

    std::unique_ptr<Ast> parseSeq()
    {
        auto seq = std::make_unique<Ast>();
        seq->kind = Ast::Seq;
        for (;;) {
            skipExtended();
            if (atEnd() || peek() == '|' || peek() == ')')
                break;
            auto atom = parseAtom();
            if (!atom)
                continue; // an inline modifier group
            skipExtended();
            atom = parseQuantifier(std::move(atom));
            seq->children.push_back(std::move(atom));
        }
        return seq;
    }

    int readNumber()
    {
        const qsizetype from = m_i;
        qint64 n = 0;
        while (!atEnd() && peek() >= '0' && peek() <= '9') {
            n = std::min<qint64>(n * 10 + (peek() - '0'), MaxCount);
            ++m_i;
        }
        return m_i == from ? -1 : int(n);
    }

    std::unique_ptr<Ast> parseQuantifier(std::unique_ptr<Ast> atom)
    {
        if (atEnd())
            return atom;
        int min, max;
        const char16_t c = peek();
        if (c == '*') {
            min = 0, max = -1;
        } else if (c == '+') {
            min = 1, max = -1;
        } else if (c == '?') {
            min = 0, max = 1;
        } else if (c == '{') {
            ++m_i;
            min = readNumber();
            if (min < 0)
                throw CompileError{atEnd() ? ErrUnexpectedEnd : ErrNumberExpected};
            max = min;
            if (!atEnd() && peek() == ',') {
                ++m_i;
                max = readNumber();
            }
            if (atEnd())
                throw CompileError{ErrNoClosingBrace};
            if (peek() != '}')
                throw CompileError{ErrInvalidLoop};
            if (max >= 0 && min > max)
                throw CompileError{ErrLoopMinMax};
        } else {
            return atom;
        }
        ++m_i;
        bool greedy = (m_mods & SyntaxRegex::ModGreedy) != 0;
        if (!atEnd() && peek() == '?') {
            greedy = !greedy;
            ++m_i;
        }
        skipExtended();
        if (!atEnd() && (peek() == '*' || peek() == '+' || peek() == '?'))
            throw CompileError{ErrInvalidLoop};
        auto rep = std::make_unique<Ast>();
        rep->kind = Ast::Repeat;
        rep->min = min;
        rep->max = max;
        rep->greedy = greedy;
        rep->children.push_back(std::move(atom));
        return rep;
    }

    std::unique_ptr<Ast> charAtom(char16_t c)
    {
        auto a = std::make_unique<Ast>();
        a->kind = Ast::Char;
        a->c = c;
        a->ignoreCase = (m_mods & SyntaxRegex::ModIgnoreCase) != 0;
        return a;
    }

    std::unique_ptr<Ast> assertAtom(Node::Type t, bool flag = false)
    {
        auto a = std::make_unique<Ast>();
        a->kind = Ast::Assert;
        a->assertType = t;
        a->flag = flag;
        return a;
    }

    std::unique_ptr<Ast> classAtom(CharClass cls)
    {
        cls.ignoreCase = (m_mods & SyntaxRegex::ModIgnoreCase) != 0;
        cls.finish();
        m_re.m_classes.push_back(std::move(cls));
        auto a = std::make_unique<Ast>();
        a->kind = Ast::Class;
        a->classIndex = int(m_re.m_classes.size()) - 1;
        return a;
    }

    // Reads the character after a backslash that stands for itself or a control character;
    // returns -1 for the class escapes, which the caller handles.
    int simpleEscape(char16_t c)
    {
        switch (c) {
        case 't': return '\t';
        case 'n': return '\n';
        case 'r': return '\r';
        case 'f': return '\f';
        case 'a': return 7;
        case 'e': return 27;
        case 'x': {
            int v = 0, digits = 0;
            const bool braced = !atEnd() && peek() == '{';
            if (braced)
                ++m_i;
            while (!atEnd() && digits < (braced ? 4 : 2) && QChar(peek()).isLetterOrNumber()) {
                const int d = QChar(peek()).isDigit() ? peek() - '0' : (lowerOf(peek()) - 'a' + 10);
                if (d < 0 || d > 15)
                    break;
                v = v * 16 + d;
                ++digits, ++m_i;
            }
            if (braced) {
                if (atEnd() || peek() != '}')
                    throw CompileError{ErrNoClosingBrace};
                ++m_i;
            }
            return v;
        }
        default: return c;
        }
    }

    static std::uint8_t builtinOf(char16_t c)
    {
        switch (c) {
        case 'd': return CharClass::Digit;
        case 'w': return CharClass::Word;
        case 's': return CharClass::Space;
        case 'D': return CharClass::NotDigit;
        case 'W': return CharClass::NotWord;
        case 'S': return CharClass::NotSpace;
        default: return 0;
        }
    }

    std::unique_ptr<Ast> parseClass()
    {
        CharClass cls;
        if (!atEnd() && peek() == '^') {
            cls.negated = true;
            ++m_i;
        }
        bool first = true;
        for (;;) {
            if (atEnd())
                throw CompileError{ErrUnexpectedEnd};
            char16_t c = peek();
            if (c == ']' && !first) {
                ++m_i;
                break;
            }
            first = false;
            ++m_i;
            int lo;
            if (c == '\\') {
                if (atEnd())
                    throw CompileError{ErrUnexpectedEnd};
                const char16_t e = peek();
                ++m_i;
                if (const std::uint8_t b = builtinOf(e)) {
                    cls.builtins |= b;
                    continue;
                }
                lo = simpleEscape(e);
            } else {
                lo = c;
            }
            int hi = lo;
            if (m_i + 1 < m_p.size() && peek() == '-' && m_p.at(m_i + 1) != QLatin1Char(']')) {
                const qsizetype dash = m_i;
                ++m_i;
                const char16_t h = peek();
                ++m_i;
                bool literalDash = false;
                if (h == '\\') {
                    if (atEnd())
                        throw CompileError{ErrUnexpectedEnd};
                    const char16_t e = peek();
                    ++m_i;
                    if (builtinOf(e))
                        literalDash = true;
                    else
                        hi = simpleEscape(e);
                } else {
                    hi = h;
                }
                if (literalDash) { // "a-\d": the dash stands for itself
                    m_i = dash;
                    hi = lo;
                }
            }
            if (hi < lo)
                std::swap(hi, lo);
            cls.ranges.emplace_back(char16_t(lo), char16_t(hi));
        }
        return classAtom(std::move(cls));
    }

    // "(?imsx-imsx)" changes the modifiers until the end of the enclosing group; "(?imsx-imsx:...)"
    // only inside; "(?#...)" is a comment.
    std::unique_ptr<Ast> parseGroupExtension()
    {
        if (atEnd())
            throw CompileError{ErrUnexpectedEnd};
        if (peek() == '#') {
            while (!atEnd() && peek() != ')')
                ++m_i;
            if (atEnd())
                throw CompileError{ErrNotClosed};
            ++m_i;
            return nullptr;
        }
        int mods = m_mods;
        bool on = true;
        for (;;) {
            if (atEnd())
                throw CompileError{ErrUnexpectedEnd};
            const char16_t c = peek();
            ++m_i;
            int bit = 0;
            switch (c) {
            case 'i': bit = SyntaxRegex::ModIgnoreCase; break;
            case 'r': bit = SyntaxRegex::ModRussianRanges; break;
            case 's': bit = SyntaxRegex::ModSingleLine; break;
            case 'g': bit = SyntaxRegex::ModGreedy; break;
            case 'm': bit = SyntaxRegex::ModMultiLine; break;
            case 'x': bit = SyntaxRegex::ModExtended; break;
            case '-': on = false; continue;
            case ')': m_mods = mods; return nullptr;
            case ':':
                return parseGroupBody(mods);
            default: throw CompileError{ErrUnexpectedEnd};
            }
            mods = on ? (mods | bit) : (mods & ~bit);
        }
    }

    // Parses a group's alternatives and its ")"; modifiers set inside do not leak out of it.
    std::unique_ptr<Ast> parseGroupBody(int modsInside)
    {
        const int outer = m_mods;
        m_mods = modsInside;
        auto inner = parseAlt();
        m_mods = outer;
        if (atEnd())
            throw CompileError{ErrNotClosed};
        ++m_i;
        return inner;
    }

    std::unique_ptr<Ast> parseAtom()
    {
        const char16_t c = peek();
        ++m_i;
        switch (c) {
        case '(': {
            if (!atEnd() && peek() == '?') {
                ++m_i;
                auto ext = parseGroupExtension();
                return ext;
            }
            return parseGroupBody(m_mods);
        }
        case '[': return parseClass();
        case '.': {
            auto a = std::make_unique<Ast>();
            a->kind = Ast::Any;
            a->flag = (m_mods & SyntaxRegex::ModSingleLine) != 0;
            return a;
        }
        case '^': return assertAtom(Node::LineStart, (m_mods & SyntaxRegex::ModMultiLine) != 0);
        case '$': return assertAtom(Node::LineEnd, (m_mods & SyntaxRegex::ModMultiLine) != 0);
        case '*':
        case '+':
        case '?': throw CompileError{ErrInvalidLoop};
        case '\\': {
            if (atEnd())
                throw CompileError{ErrUnexpectedEnd};
            const char16_t e = peek();
            ++m_i;
            if (const std::uint8_t b = builtinOf(e)) {
                CharClass cls;
                cls.builtins = b;
                return classAtom(std::move(cls));
            }
            switch (e) {
            case 'z': {
                auto a = std::make_unique<Ast>();
                a->kind = Ast::LineBreak;
                return a;
            }
            case 'Z': return assertAtom(Node::TextEnd);
            case 'A': return assertAtom(Node::TextStart);
            case 'b': return assertAtom(Node::WordBoundary);
            case 'B': return assertAtom(Node::NotWordBoundary);
            default: return charAtom(char16_t(simpleEscape(e)));
            }
        }
        default: return charAtom(c);
        }
    }

    int add(Node n)
    {
        m_re.m_nodes.push_back(std::move(n));
        return int(m_re.m_nodes.size()) - 1;
    }

    static bool isSingleChar(const Ast &a) { return a.kind == Ast::Char || a.kind == Ast::Any || a.kind == Ast::Class; }

    // Emits `a` so that a successful match continues at node `next`; returns its first node.
    int emitNode(const Ast &a, int next)
    {
        Node n;
        n.next = next;
        switch (a.kind) {
        case Ast::Empty: return next;
        case Ast::Char:
            n.type = Node::Char;
            n.c1 = a.ignoreCase ? lowerOf(a.c) : a.c;
            n.c2 = a.ignoreCase ? upperOf(a.c) : a.c;
            return add(n);
        case Ast::Any:
            n.type = Node::Any;
            n.flag = a.flag;
            return add(n);
        case Ast::Class:
            n.type = Node::Class;
            n.arg = a.classIndex;
            return add(n);
        case Ast::LineBreak: n.type = Node::LineBreak; return add(n);
        case Ast::Assert:
            n.type = a.assertType;
            n.flag = a.flag;
            return add(n);
        case Ast::Seq: {
            int at = next;
            for (auto it = a.children.rbegin(); it != a.children.rend(); ++it)
                at = emitNode(**it, at);
            return at;
        }
        case Ast::Alt: {
            n.type = Node::Split;
            for (const auto &child : a.children)
                n.alternatives.push_back(emitNode(*child, next));
            return add(n);
        }
        case Ast::Repeat: {
            n.min = a.min;
            n.max = a.max;
            n.greedy = a.greedy;
            const Ast &body = *a.children.front();
            if (isSingleChar(body)) {
                n.type = Node::SimpleRepeat;
                n.arg = emitNode(body, -1);
                return add(n);
            }
            n.type = Node::Repeat;
            n.loop = m_re.m_loopCount++;
            const int self = add(n);
            Node tail;
            tail.type = Node::RepeatTail;
            tail.arg = self;
            const int tailIndex = add(tail);
            const int bodyStart = emitNode(body, tailIndex);
            m_re.m_nodes[size_t(self)].arg = bodyStart;
            return self;
        }
        }
        return next;
    }

    SyntaxRegex &m_re;
    const QString &m_p;
    qsizetype m_i = 0;
    int m_mods;
};

namespace {

// Collects the characters a non-empty match can begin with.
void collectFirst(const std::vector<Node> &nodes, const std::vector<CharClass> &classes, int start,
                  std::uint64_t *bits, bool &nonAscii)
{
    std::vector<char> seen(nodes.size(), 0);
    std::vector<int> work{start};
    auto addAll = [&] {
        bits[0] = bits[1] = ~std::uint64_t(0);
        nonAscii = true;
    };
    while (!work.empty()) {
        const int i = work.back();
        work.pop_back();
        if (i < 0 || seen[size_t(i)])
            continue;
        seen[size_t(i)] = 1;
        const Node &n = nodes[size_t(i)];
        auto addItem = [&](const Node &item) {
            switch (item.type) {
            case Node::Char:
                for (char16_t c : {item.c1, item.c2}) {
                    if (c < 128)
                        setBit(bits, c);
                    else
                        nonAscii = true;
                }
                break;
            case Node::Any: addAll(); break;
            case Node::Class: {
                const CharClass &cls = classes[size_t(item.arg)];
                bits[0] |= cls.ascii[0];
                bits[1] |= cls.ascii[1];
                nonAscii = true;
                break;
            }
            default: break;
            }
        };
        switch (n.type) {
        case Node::Match: break;
        case Node::Char:
        case Node::Any:
        case Node::Class: addItem(n); break;
        case Node::LineBreak:
            for (char16_t c = 0x0A; c <= 0x0D; ++c)
                setBit(bits, c);
            nonAscii = true;
            break;
        case Node::Split:
            for (int alt : n.alternatives)
                work.push_back(alt);
            break;
        case Node::SimpleRepeat:
            if (n.max != 0)
                addItem(nodes[size_t(n.arg)]);
            if (n.min == 0)
                work.push_back(n.next);
            break;
        case Node::Repeat:
            work.push_back(n.arg);
            if (n.min == 0)
                work.push_back(n.next);
            break;
        case Node::RepeatTail: {
            // Reached without consuming only through an empty body; the loop may exit or repeat.
            const Node &loop = nodes[size_t(n.arg)];
            work.push_back(loop.next);
            work.push_back(loop.arg);
            break;
        }
        default: work.push_back(n.next); break; // zero-width assertions
        }
    }
}

} // namespace

SyntaxRegex::SyntaxRegex(const QString &pattern, int modifiers)
{
    compile(pattern, modifiers);
}

bool SyntaxRegex::compile(const QString &pattern, int modifiers)
{
    m_pattern = pattern;
    m_error.clear();
    m_nodes.clear();
    m_classes.clear();
    m_loopCount = 0;
    m_start = -1;
    m_first[0] = m_first[1] = 0;
    m_firstNonAscii = false;
    try {
        RegexCompiler(*this, pattern, modifiers).run();
        m_valid = true;
        collectFirst(m_nodes, m_classes, m_start, m_first, m_firstNonAscii);
    } catch (const CompileError &e) {
        m_valid = false;
        m_error = QString::fromLatin1(e.text);
        m_nodes.clear();
        m_classes.clear();
    }
    return m_valid;
}

struct RegexMatcher {
    const SyntaxRegex &re;
    const char16_t *s;
    qsizetype len;
    std::int64_t steps;
    qsizetype readEnd = 0;
    int depth = 0;
    bool aborted = false;
    std::vector<int> counts;
    std::vector<qsizetype> iterStart;

    void touch(qsizetype pos)
    {
        if (pos >= readEnd)
            readEnd = pos + 1;
    }

    bool matchOne(const Node &n, qsizetype pos)
    {
        touch(pos);
        if (pos >= len)
            return false;
        const char16_t c = s[pos];
        switch (n.type) {
        case Node::Char: return c == n.c1 || c == n.c2;
        case Node::Any: return n.flag || !isLineBreak(c);
        case Node::Class: return re.m_classes[size_t(n.arg)].contains(c);
        default: return false;
        }
    }

    bool wordAt(qsizetype pos)
    {
        touch(pos);
        return pos >= 0 && pos < len && isWordChar(s[pos]);
    }

    bool testAssert(const Node &n, qsizetype pos)
    {
        switch (n.type) {
        case Node::LineStart:
            if (pos == 0)
                return true;
            if (!n.flag)
                return false;
            touch(pos);
            return s[pos - 1] == '\n' || (s[pos - 1] == '\r' && (pos >= len || s[pos] != '\n'));
        case Node::LineEnd:
            touch(pos);
            if (pos >= len)
                return true;
            if (!n.flag)
                return false;
            return s[pos] == '\r' || (s[pos] == '\n' && (pos == 0 || s[pos - 1] != '\r'));
        case Node::TextStart: return pos == 0;
        case Node::TextEnd: touch(pos); return pos >= len;
        case Node::WordBoundary: return wordAt(pos - 1) != wordAt(pos);
        case Node::NotWordBoundary: return wordAt(pos - 1) == wordAt(pos);
        default: return false;
        }
    }

    // Returns the end of a match of the graph from `at`, or -1.
    qsizetype run(int at, qsizetype pos)
    {
        if (++depth > SyntaxRegex::MaxDepth) {
            aborted = true;
            --depth;
            return -1;
        }
        const qsizetype r = runInner(at, pos);
        --depth;
        return r;
    }

    qsizetype runInner(int at, qsizetype pos)
    {
        for (;;) {
            if (--steps < 0 || aborted) {
                aborted = true;
                return -1;
            }
            const Node &n = re.m_nodes[size_t(at)];
            switch (n.type) {
            case Node::Match: return pos;
            case Node::Char:
            case Node::Any:
            case Node::Class:
                if (!matchOne(n, pos))
                    return -1;
                ++pos;
                at = n.next;
                break;
            case Node::LineBreak:
                touch(std::min(pos + 1, len));
                if (pos >= len || !isLineBreak(s[pos]))
                    return -1;
                pos += (s[pos] == '\r' && pos + 1 < len && s[pos + 1] == '\n') ? 2 : 1;
                at = n.next;
                break;
            case Node::Split: {
                const size_t last = n.alternatives.size() - 1;
                for (size_t i = 0; i < last; ++i) {
                    const qsizetype r = run(n.alternatives[i], pos);
                    if (r >= 0 || aborted)
                        return r;
                }
                at = n.alternatives[last];
                break;
            }
            case Node::SimpleRepeat: return simpleRepeat(n, pos);
            case Node::Repeat: {
                const int slot = n.loop;
                const int savedCount = counts[size_t(slot)];
                const qsizetype savedStart = iterStart[size_t(slot)];
                counts[size_t(slot)] = 0;
                iterStart[size_t(slot)] = -1;
                const qsizetype r = iterate(n, pos);
                counts[size_t(slot)] = savedCount;
                iterStart[size_t(slot)] = savedStart;
                return r;
            }
            case Node::RepeatTail: return iterate(re.m_nodes[size_t(n.arg)], pos);
            default:
                if (!testAssert(n, pos))
                    return -1;
                at = n.next;
                break;
            }
        }
    }

    qsizetype simpleRepeat(const Node &n, qsizetype pos)
    {
        const Node &item = re.m_nodes[size_t(n.arg)];
        const qsizetype max = n.max < 0 ? len - pos : std::min<qsizetype>(n.max, len - pos);
        if (n.greedy) {
            qsizetype count = 0;
            while (count < max && matchOne(item, pos + count))
                ++count;
            if (count == max)
                touch(pos + count);
            steps -= count / 8;
            if (count < n.min)
                return -1;
            for (qsizetype i = count; i >= n.min; --i) {
                const qsizetype r = run(n.next, pos + i);
                if (r >= 0 || aborted)
                    return r;
            }
            return -1;
        }
        for (qsizetype i = 0;; ++i) {
            if (i >= n.min) {
                const qsizetype r = run(n.next, pos + i);
                if (r >= 0 || aborted)
                    return r;
            }
            if (i >= max || !matchOne(item, pos + i))
                return -1;
        }
    }

    // One decision of a general loop: `counts` holds the iterations completed so far.
    qsizetype iterate(const Node &loop, qsizetype pos)
    {
        const size_t slot = size_t(loop.loop);
        const int done = counts[slot];
        const qsizetype lastStart = iterStart[slot];
        // An iteration that consumed nothing would repeat forever; treat the loop as satisfied.
        const bool progress = done == 0 || lastStart != pos;
        auto enterBody = [&]() -> qsizetype {
            counts[slot] = done + 1;
            iterStart[slot] = pos;
            const qsizetype r = run(loop.arg, pos);
            counts[slot] = done;
            iterStart[slot] = lastStart;
            return r;
        };
        auto leave = [&]() -> qsizetype {
            // The continuation may re-enter this loop from outside; its own Repeat node saves state.
            return run(loop.next, pos);
        };
        // Once an iteration consumed nothing, the remaining minimum can be met by empty ones.
        if (done < loop.min)
            return progress ? enterBody() : leave();
        const bool mayRepeat = (loop.max < 0 || done < loop.max) && progress;
        if (loop.greedy) {
            if (mayRepeat) {
                const qsizetype r = enterBody();
                if (r >= 0 || aborted)
                    return r;
            }
            return leave();
        }
        const qsizetype r = leave();
        if (r >= 0 || aborted || !mayRepeat)
            return r;
        return enterBody();
    }
};

int SyntaxRegex::match(QStringView text, qsizetype pos, qsizetype *readEnd) const
{
    if (!m_valid || pos < 0 || pos > text.size())
        return 0;
    if (readEnd && pos + 1 > *readEnd)
        *readEnd = pos + 1;
    if (pos >= text.size() || !canStartWith(text[pos]))
        return 0;
    RegexMatcher m{*this, reinterpret_cast<const char16_t *>(text.utf16()), text.size(),
                   StepBudgetBase + StepBudgetPerChar * (text.size() - pos), 0, 0, false, {}, {}};
    m.counts.assign(size_t(m_loopCount), 0);
    m.iterStart.assign(size_t(m_loopCount), -1);
    const qsizetype end = m.run(m_start, pos);
    if (readEnd && m.readEnd > *readEnd)
        *readEnd = m.readEnd;
    if (m.aborted || end <= pos)
        return 0;
    return int(std::min<qsizetype>(end - pos, INT_MAX));
}
