#include "syntaxgrammar.h"

#include "asciicase.h"

#include "syntaxregex.h"

#include <algorithm>

namespace {

enum GKind { KTermCase, KTermNoCase, KTypeRef, KName, KDefine, KOr, KEnd, KRepeat, KOpen, KClose, KComment };

struct GrammarLexer {
    struct Rule {
        int kind;
        SyntaxRegex re;
    };
    std::vector<Rule> rules;
    GrammarLexer()
    {
        const std::pair<int, const char *> table[] = {
            {KComment, "//.*"},
            {KComment, "(?s)/\\*.*?(\\*/|\\Z)"},
            {KTermCase, "\".*?\""},
            {KTermNoCase, "'.*?'"},
            {KTypeRef, "<.*?>"},
            {KName, "\\w+"},
            {KDefine, "="},
            {KOr, "\\|"},
            {KEnd, ";"},
            {KRepeat, "[\\*\\+\\?]"},
            {KOpen, "[\\(]"},
            {KClose, "[\\)]"},
        };
        for (const auto &[kind, pattern] : table)
            rules.push_back({kind, SyntaxRegex(QString::fromLatin1(pattern))});
    }
};

} // namespace

void SyntaxGrammar::compile(const QString &text, const QStringList &tokenTypeNames)
{
    static const GrammarLexer lexer;
    m_productions.clear();
    m_skip = -1;
    m_toks.clear();
    m_at = 0;
    m_typeNames = tokenTypeNames;

    qsizetype p = 0;
    while (p < text.size()) {
        if (text.at(p).isSpace()) {
            ++p;
            continue;
        }
        int n = 0;
        int kind = -1;
        for (const auto &rule : lexer.rules) {
            n = rule.re.match(text, p);
            if (n > 0) {
                kind = rule.kind;
                break;
            }
        }
        if (kind < 0) { // "::=" leaves only its "="
            ++p;
            continue;
        }
        if (kind != KComment)
            m_toks.push_back({kind, text.mid(p, n)});
        p += n;
    }

    while (m_at < m_toks.size()) {
        if (m_toks[m_at].kind != KName || m_at + 1 >= m_toks.size() || m_toks[m_at + 1].kind != KDefine) {
            ++m_at;
            continue;
        }
        Production prod;
        prod.name = m_toks[m_at].text;
        m_at += 2;
        m_productions.push_back(std::move(prod));
        parseBranches(int(m_productions.size()) - 1, false);
    }

    // Resolve references; a name without a production never matches.
    for (Production &prod : m_productions) {
        for (auto &branch : prod.branches) {
            for (Item &item : branch) {
                if (item.kind == Item::Ref && item.value < 0) {
                    item.value = findProduction(item.text);
                    if (item.value < 0)
                        item.kind = Item::Never;
                }
            }
        }
    }
    m_skip = findProduction(u"Skip");
    m_toks.clear();
    collectEnds();
}

void SyntaxGrammar::collectEnds()
{
    const size_t n = m_productions.size();
    // Productions that can match no token at all, by fixed-point iteration.
    std::vector<char> empty(n, 0);
    auto mayBeEmpty = [&](const Item &item) {
        return item.min == 0 || (item.kind == Item::Ref && empty[size_t(item.value)]);
    };
    for (bool changed = true; changed;) {
        changed = false;
        for (size_t p = 0; p < n; ++p) {
            const Production &prod = m_productions[p];
            if (empty[p] || !prod.valid)
                continue;
            if (std::any_of(prod.branches.cbegin(), prod.branches.cend(), [&](const std::vector<Item> &b) {
                    return std::all_of(b.cbegin(), b.cend(), mayBeEmpty);
                })) {
                empty[p] = 1;
                changed = true;
            }
        }
    }
    // The items a match tries on the newest token: from the end of each branch, as long as the
    // ones after can match nothing. Each production once; a long list is not worth testing.
    constexpr size_t MaxEnds = 32;
    m_ends.assign(n, Ends{});
    std::vector<char> state(n, 0); // 1: being collected, 2: done
    auto add = [](std::vector<QString> &list, const QString &text) {
        if (std::find(list.cbegin(), list.cend(), text) == list.cend())
            list.push_back(text);
    };
    auto collect = [&](auto &self, size_t p) -> void {
        Ends &out = m_ends[p];
        state[p] = 1;
        if (m_productions[p].valid) { // an invalid production fails without reading
            for (const std::vector<Item> &branch : m_productions[p].branches) {
                for (auto it = branch.crbegin(); it != branch.crend(); ++it) {
                    switch (it->kind) {
                    case Item::TermCase: add(out.texts, it->text); break;
                    case Item::TermNoCase: add(out.textsNoCase, it->text); break;
                    case Item::TypeRef:
                        if (it->value == 0)
                            out.any = true;
                        else if (it->value > 0 && std::find(out.types.cbegin(), out.types.cend(), it->value) ==
                                                      out.types.cend())
                            out.types.push_back(it->value);
                        break;
                    case Item::Ref: {
                        const size_t q = size_t(it->value);
                        if (state[q] == 0)
                            self(self, q);
                        if (state[q] == 1) {
                            // Back at a production being entered at the same token: the match
                            // raises an error there.
                            out.any = true;
                            break;
                        }
                        const Ends &sub = m_ends[q];
                        out.any = out.any || sub.any;
                        for (const QString &t : sub.texts)
                            add(out.texts, t);
                        for (const QString &t : sub.textsNoCase)
                            add(out.textsNoCase, t);
                        for (const int t : sub.types) {
                            if (std::find(out.types.cbegin(), out.types.cend(), t) == out.types.cend())
                                out.types.push_back(t);
                        }
                        break;
                    }
                    case Item::Never: break;
                    }
                    if (!mayBeEmpty(*it))
                        break;
                }
            }
        }
        if (out.texts.size() + out.textsNoCase.size() + out.types.size() > MaxEnds)
            out.any = true;
        if (out.any)
            out = Ends{true, {}, {}, {}};
        state[p] = 2;
    };
    for (size_t p = 0; p < n; ++p) {
        if (state[p] == 0)
            collect(collect, p);
    }
}

bool SyntaxGrammar::mayMatchFrom(int production, QStringView text, int type) const
{
    if (production < 0 || production >= int(m_ends.size()))
        return true;
    const Ends &e = m_ends[size_t(production)];
    return e.any || std::find(e.types.cbegin(), e.types.cend(), type) != e.types.cend() ||
           std::any_of(e.texts.cbegin(), e.texts.cend(), [&](const QString &t) { return QStringView(t) == text; }) ||
           std::any_of(e.textsNoCase.cbegin(), e.textsNoCase.cend(),
                       [&](const QString &t) { return equalsAsciiNoCase(t, text); });
}

int SyntaxGrammar::parseBranches(int production, bool inGroup)
{
    std::vector<Item> branch;
    bool invalid = false;
    auto finishBranch = [&] {
        if (branch.empty())
            invalid = true;
        else
            m_productions[size_t(production)].branches.push_back(std::move(branch));
        branch.clear();
    };
    while (true) {
        if (m_at >= m_toks.size()) {
            finishBranch();
            break;
        }
        const GToken &t = m_toks[m_at];
        if (t.kind == KEnd) {
            if (!inGroup)
                ++m_at;
            finishBranch();
            break;
        }
        if (t.kind == KClose) {
            ++m_at;
            if (inGroup) {
                finishBranch();
                break;
            }
            continue;
        }
        if (t.kind == KOr) {
            ++m_at;
            finishBranch();
            continue;
        }
        if (t.kind == KName && m_at + 1 < m_toks.size() && m_toks[m_at + 1].kind == KDefine) {
            finishBranch(); // the next production starts; its missing ";" is forgiven
            break;
        }
        if (t.kind == KDefine || t.kind == KRepeat) {
            ++m_at;
            continue;
        }
        Item item;
        ++m_at;
        switch (t.kind) {
        case KTermCase:
        case KTermNoCase:
        case KTypeRef: {
            item.text = t.text.mid(1, t.text.size() - 2);
            if (item.text.isEmpty())
                invalid = true;
            if (t.kind == KTypeRef) {
                item.kind = Item::TypeRef;
                item.value = -1;
                for (int i = 0; i < m_typeNames.size(); ++i) {
                    if (m_typeNames[i].compare(item.text, Qt::CaseInsensitive) == 0) {
                        item.value = i;
                        break;
                    }
                }
            } else {
                item.kind = t.kind == KTermCase ? Item::TermCase : Item::TermNoCase;
            }
            break;
        }
        case KName:
            item.kind = Item::Ref;
            item.text = t.text;
            break;
        case KOpen: {
            Production group;
            m_productions.push_back(std::move(group));
            const int index = int(m_productions.size()) - 1;
            parseBranches(index, true);
            item.kind = Item::Ref;
            item.value = index;
            break;
        }
        default: break;
        }
        if (m_at < m_toks.size() && m_toks[m_at].kind == KRepeat) {
            const QChar mark = m_toks[m_at].text.at(0);
            item.min = mark == QLatin1Char('+') ? 1 : 0;
            item.max = mark == QLatin1Char('?') ? 1 : -1;
            ++m_at;
        }
        branch.push_back(std::move(item));
    }
    Production &prod = m_productions[size_t(production)];
    if (invalid || prod.branches.empty())
        prod.valid = false;
    return production;
}

int SyntaxGrammar::findProduction(QStringView name) const
{
    if (name.isEmpty())
        return -1;
    for (size_t i = 0; i < m_productions.size(); ++i) {
        if (!m_productions[i].name.isEmpty() && equalsAsciiNoCase(m_productions[i].name, name))
            return int(i);
    }
    return -1;
}

bool SyntaxGrammar::isValid(int production) const
{
    return production >= 0 && production < productionCount() && m_productions[size_t(production)].valid;
}

struct SyntaxGrammar::Matcher {
    static constexpr int NoMatch = -0x40000000;
    const SyntaxGrammar &g;
    const Tokens &tokens;
    std::vector<std::pair<int, int>> active;
    bool inSkip = false;

    int production(int p, int pos)
    {
        for (const auto &a : active) {
            if (a.first == p && a.second == pos)
                throw Error{QStringLiteral("Circular stack")};
        }
        const Production &prod = g.m_productions[size_t(p)];
        if (!prod.valid)
            return NoMatch;
        active.emplace_back(p, pos);
        int result = NoMatch;
        for (auto b = prod.branches.rbegin(); b != prod.branches.rend(); ++b) {
            result = branch(*b, pos);
            if (result != NoMatch)
                break;
        }
        active.pop_back();
        return result;
    }

    int branch(const std::vector<Item> &items, int pos)
    {
        int cur = pos;
        for (auto it = items.rbegin(); it != items.rend(); ++it) {
            int count = 0;
            while (it->max < 0 || count < it->max) {
                const int r = item(*it, cur);
                if (r == NoMatch)
                    break;
                ++count;
                if (r == cur) { // consumed nothing: more rounds would change nothing
                    count = std::max(count, it->min);
                    break;
                }
                cur = r;
            }
            if (count < it->min)
                return NoMatch;
        }
        return cur;
    }

    int item(const Item &item, int pos)
    {
        switch (item.kind) {
        case Item::Ref: return production(item.value, pos);
        case Item::Never: return NoMatch;
        default: break;
        }
        if (pos < 0)
            return NoMatch;
        bool ok = false;
        if (item.kind == Item::TypeRef)
            ok = item.value == 0 || (item.value > 0 && tokens.type(pos) == item.value);
        else if (item.kind == Item::TermCase)
            ok = tokens.text(pos) == QStringView(item.text);
        else
            ok = equalsAsciiNoCase(tokens.text(pos), item.text);
        if (!ok)
            return NoMatch;
        int next = pos - 1;
        if (g.m_skip >= 0 && !inSkip) {
            inSkip = true;
            const int r = production(g.m_skip, next);
            inSkip = false;
            if (r != NoMatch)
                next = r;
        }
        return next;
    }
};

int SyntaxGrammar::match(int production, const Tokens &tokens, int newest) const
{
    if (!isValid(production))
        return -1;
    Matcher m{*this, tokens, {}, false};
    const int r = m.production(production, newest);
    return r == Matcher::NoMatch ? -1 : r + 1;
}

int SyntaxGrammar::maxLength() const
{
    // Longest match per production by fixed-point iteration; growth past the production count
    // means recursion.
    constexpr int Unbounded = 1 << 16; // longer than any look-back worth bounding
    const int n = productionCount();
    std::vector<int> len(size_t(n), 0);
    for (int round = 0; round <= n + 1; ++round) {
        bool changed = false;
        for (int p = 0; p < n; ++p) {
            int best = 0;
            for (const auto &b : m_productions[size_t(p)].branches) {
                int sum = 0;
                for (const Item &item : b) {
                    if (item.max < 0)
                        return -1;
                    const int one = item.kind == Item::Ref ? len[size_t(item.value)] : 1;
                    sum += one * item.max;
                    if (sum > Unbounded)
                        return -1;
                }
                best = std::max(best, sum);
            }
            if (m_skip >= 0) {
                const qint64 withSkip = qint64(best) * (1 + std::max(1, len[size_t(m_skip)]));
                if (withSkip > Unbounded)
                    return -1;
                best = int(withSkip);
            }
            if (best != len[size_t(p)]) {
                len[size_t(p)] = best;
                changed = true;
            }
        }
        if (!changed)
            return n ? *std::max_element(len.begin(), len.end()) : 0;
    }
    return -1;
}
