#include "syntaxanalysis.h"

#include "asciicase.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

// A checkpoint every this many tokens bounds the rescan after an edit.
constexpr int CheckpointSpacing = 64;

// Asks for large pages under a big buffer that is about to be filled: faulting it in 4 KiB at a
// time costs more than writing it.
void adviseLargePages(const void *data, size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t Page = 4096;
    if (bytes < (std::size_t(4) << 20))
        return;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + Page - 1) & ~(Page - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(Page - 1);
    madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}

bool isLineBreak(char16_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool isBlank(char16_t c)
{
    return c < 128 ? (c == ' ' || (c >= 0x09 && c <= 0x0D)) : QChar(c).isSpace();
}

bool opensAs(const TextRange &range, const SyntRule &rule)
{
    if (rule.parentRule)
        return range.rule == rule.parentRule;
    return range.rule->DisplayName == rule.BlockName;
}

} // namespace

struct SyntaxAnalysis::Reuse {
    // Old offsets at or past dirtyEnd are at offset + delta now; before dirtyStart they are unchanged.
    int delta = 0;
    int dirtyStart = 0, dirtyEnd = 0;
    // Old indices of the first old results; they stay readable through the containers' old().
    int tokenBase = 0, rangeBase = 0, subBase = 0, separatorBase = 0, undoBase = 0;
    size_t checkpointBase = 0;
    struct Change {
        Undo undo;
        int a, b; // values the old scan left behind
        qint16 type;
    };
    std::vector<Change> undo;
    std::vector<int> backText, backToken; // lowest over all steps from old checkpoint i to the end
    size_t next = 0;                      // the next old checkpoint to try
    // Ranges opened before the kept part and still open at its start.
    struct OpenBefore {
        int index;
        const BlockRule *rule;
        int identStart, identEnd; // old text offsets of its identifier
        int closedAt; // position in the old undo log of the step that closed it; NoRead: never
    };
    std::vector<OpenBefore> openBefore;
    // The same for the kept ranges.
    std::vector<int> closedAt;
    // Sub-lexer ranges before the kept part that were not known to have ended there, as the old
    // scan left them.
    int subsBeforeFrom = 0;
    std::vector<SubLexerRange> subsBefore;
    // Where the old scan stopped.
    int pos = 0;
    bool complete = false;
    std::vector<int> open;
    int firstLiveSub = 0;
    qsizetype readEnd = 0;
    int tokensAtLastCheckpoint = 0;
    int errors = 0;
    QString lastError;
};

SyntaxAnalysis::SyntaxAnalysis(QObject *parent) : QObject(parent) {}

SyntaxAnalysis::~SyntaxAnalysis() = default;

void SyntaxAnalysis::setLexer(SyntAnalyzer *lexer)
{
    m_main = lexer;
    for (const auto &c : m_lexerConnections)
        disconnect(c);
    m_lexerConnections.clear();
    m_lexers.clear();
    if (m_main)
        lexerSlot(m_main);
    reset();
}

void SyntaxAnalysis::setText(const QString &text)
{
    m_text = text;
    reset();
    // Ordinary text has a token every few characters and a range every few lines. Growing the
    // vectors would copy them and touch new pages each time; reserved pages cost nothing until
    // something lands on them.
    const size_t tokens = size_t(m_text.size() / 4), ranges = size_t(m_text.size() / 32);
    m_tokens.reserve(tokens);
    adviseLargePages(m_tokens.view().data(), tokens * sizeof(SyntaxToken));
    m_ranges.reserve(ranges);
    adviseLargePages(m_ranges.view().data(), ranges * sizeof(TextRange));
}

int SyntaxAnalysis::lexerSlot(SyntAnalyzer *lexer)
{
    for (size_t i = 0; i < m_lexers.size(); ++i) {
        if (m_lexers[i] == lexer)
            return int(i);
    }
    m_lexers.push_back(lexer);
    // A changed definition (a filled name list) invalidates everything analysed with it.
    m_lexerConnections.push_back(connect(lexer, &SyntAnalyzer::changed, this, [this] {
        reset();
        emit lexerChanged();
    }));
    m_lexerConnections.push_back(connect(lexer, &QObject::destroyed, this, [this, lexer] {
        if (lexer == m_main)
            m_main = nullptr;
        m_lexers.clear();
        if (m_main)
            lexerSlot(m_main);
        reset();
        emit lexerChanged();
    }));
    return int(m_lexers.size()) - 1;
}

void SyntaxAnalysis::reset()
{
    m_pos = 0;
    m_complete = false;
    m_tokens.clear();
    m_ranges.clear();
    m_subs.clear();
    m_separators.clear();
    m_open.clear();
    m_openCounts.clear();
    m_firstLiveSub = 0;
    m_readEnd = 0;
    m_undo.clear();
    m_checkpoints.clear();
    m_backText = m_backToken = NoRead;
    m_errors = 0;
    m_reuse.reset();
    m_lastError.clear();
    addCheckpoint();
}

void SyntaxAnalysis::addCheckpoint()
{
    if (!m_checkpoints.empty()) {
        m_checkpoints.back().backText = m_backText;
        m_checkpoints.back().backToken = m_backToken;
    }
    m_backText = m_backToken = NoRead;
    Checkpoint c;
    c.pos = m_pos;
    c.tokens = int(m_tokens.size());
    c.ranges = int(m_ranges.size());
    c.subs = int(m_subs.size());
    c.separators = int(m_separators.size());
    c.undo = int(m_undo.size());
    c.firstLiveSub = m_firstLiveSub;
    c.errors = m_errors;
    c.readEnd = m_readEnd;
    m_checkpoints.push_back(c);
    m_tokensAtLastCheckpoint = int(m_tokens.size());
}

// Checkpoints keep no copy of the open list, so that they can be close together however many
// ranges stay open: the ranges open at a checkpoint are those still open now that existed then,
// and those a later step closed.
std::vector<int> SyntaxAnalysis::openAt(const Checkpoint &c) const
{
    std::vector<int> open;
    for (int i : m_open) {
        if (i < c.ranges)
            open.push_back(i);
    }
    const size_t kept = open.size();
    for (size_t i = m_undo.size(); i-- > size_t(c.undo);) {
        if (m_undo[i].kind == Undo::RangeEnd && m_undo[i].index < c.ranges)
            open.push_back(m_undo[i].index);
    }
    if (open.size() > kept) {
        std::sort(open.begin() + qsizetype(kept), open.end());
        std::inplace_merge(open.begin(), open.begin() + qsizetype(kept), open.end());
    }
    return open;
}

void SyntaxAnalysis::restoreCheckpoint(size_t index)
{
    const Checkpoint c = m_checkpoints[index];
    m_open = openAt(c);
    while (int(m_undo.size()) > c.undo) {
        const Undo u = m_undo.back();
        m_undo.pop_back();
        switch (u.kind) {
        case Undo::RangeEnd:
            if (u.index < c.ranges)
                m_ranges[size_t(u.index)].endToken = u.a;
            break;
        case Undo::SubEnd:
            if (u.index < c.subs) {
                m_subs[size_t(u.index)].end = u.a;
                m_subs[size_t(u.index)].condEnd = u.b;
            }
            break;
        case Undo::TokenRule:
            if (u.index < c.tokens) {
                SyntaxToken &t = m_tokens[size_t(u.index)];
                t.rule = quint16(u.a);
                t.lexer = quint8(u.b);
                t.type = u.type;
            }
            break;
        }
    }
    m_tokens.resize(size_t(c.tokens));
    m_ranges.resize(size_t(c.ranges));
    m_subs.resize(size_t(c.subs));
    m_separators.resize(size_t(c.separators));
    recountOpen();
    m_firstLiveSub = c.firstLiveSub;
    m_readEnd = c.readEnd;
    m_errors = c.errors;
    m_backText = m_backToken = NoRead;
    m_pos = c.pos;
    m_complete = false;
    m_checkpoints.resize(index + 1);
    m_tokensAtLastCheckpoint = c.tokens;
}

void SyntaxAnalysis::applyEdit(const QString &newText, int pos, int removed, int added)
{
    m_text = newText;
    if (!m_main) {
        reset();
        return;
    }
    // The last checkpoint whose past never looked at the changed characters.
    size_t keep = 0;
    for (size_t i = m_checkpoints.size(); i-- > 0;) {
        if (m_checkpoints[i].readEnd <= pos && m_checkpoints[i].pos <= pos) {
            keep = i;
            break;
        }
    }
    keepForReuse(keep, pos, removed, added);
    restoreCheckpoint(keep);
}

void SyntaxAnalysis::keepForReuse(size_t checkpoint, int pos, int removed, int added)
{
    if (m_reuse) {
        // Edits before the rescan caught up: one changed span covers them all.
        Reuse &r = *m_reuse;
        const int curDirtyEnd = r.dirtyEnd + r.delta;
        const int end = pos + removed;
        const int oldStart = pos < r.dirtyStart ? pos : pos >= curDirtyEnd ? pos - r.delta : r.dirtyStart;
        const int oldEnd = end <= r.dirtyStart ? end : end >= curDirtyEnd ? end - r.delta : r.dirtyEnd;
        r.dirtyStart = std::min(r.dirtyStart, oldStart);
        r.dirtyEnd = std::max(r.dirtyEnd, oldEnd);
        r.delta += added - removed;
        r.next = r.checkpointBase;
        m_reuseFrom = r.dirtyEnd + r.delta;
        return;
    }
    if (checkpoint + 1 >= m_checkpoints.size())
        return; // too little after the edit to be worth keeping
    m_checkpoints.back().backText = m_backText;
    m_checkpoints.back().backToken = m_backToken;
    const Checkpoint k = m_checkpoints[checkpoint];
    const std::vector<int> openAtKeep = openAt(k);
    auto r = std::make_unique<Reuse>();
    r->delta = added - removed;
    r->dirtyStart = pos;
    r->dirtyEnd = pos + removed;
    r->tokenBase = k.tokens;
    r->rangeBase = k.ranges;
    r->subBase = k.subs;
    r->separatorBase = k.separators;
    r->undoBase = k.undo;
    r->checkpointBase = checkpoint + 1;
    r->next = r->checkpointBase;
    r->undo.reserve(m_undo.size() - size_t(k.undo));
    for (size_t i = size_t(k.undo); i < m_undo.size(); ++i) {
        const Undo &u = m_undo[i];
        Reuse::Change c{u, 0, 0, 0};
        switch (u.kind) {
        case Undo::RangeEnd: c.a = m_ranges[size_t(u.index)].endToken; break;
        case Undo::SubEnd:
            c.a = m_subs[size_t(u.index)].end;
            c.b = m_subs[size_t(u.index)].condEnd;
            break;
        case Undo::TokenRule: {
            const SyntaxToken &t = m_tokens[size_t(u.index)];
            c.a = t.rule;
            c.b = t.lexer;
            c.type = t.type;
            break;
        }
        }
        r->undo.push_back(c);
    }
    const size_t n = m_checkpoints.size() - r->checkpointBase;
    r->backText.resize(n);
    r->backToken.resize(n);
    int text = NoRead, token = NoRead;
    for (size_t i = n; i-- > 0;) {
        const Checkpoint &p = m_checkpoints[r->checkpointBase + i];
        text = std::min(text, p.backText);
        token = std::min(token, p.backToken);
        r->backText[i] = text;
        r->backToken[i] = token;
    }
    // Ranges of the part before stay open at most as long as they were open there; their
    // identifiers lie before the edit, since nothing before the checkpoint read past it.
    for (int i : openAtKeep) {
        const SyntaxToken &ident = m_tokens[size_t(m_ranges[size_t(i)].identToken)];
        r->openBefore.push_back({i, m_ranges[size_t(i)].rule, ident.start, ident.end, NoRead});
    }
    r->closedAt.assign(m_ranges.size() - size_t(k.ranges), NoRead);
    for (size_t i = size_t(k.undo); i < m_undo.size(); ++i) {
        const Undo &u = m_undo[i];
        if (u.kind != Undo::RangeEnd)
            continue;
        if (u.index >= k.ranges) {
            r->closedAt[size_t(u.index - k.ranges)] = int(i);
            continue;
        }
        const auto it = std::lower_bound(r->openBefore.begin(), r->openBefore.end(), u.index,
                                         [](const Reuse::OpenBefore &o, int index) { return o.index < index; });
        if (it != r->openBefore.end() && it->index == u.index)
            it->closedAt = int(i);
    }
    r->subsBeforeFrom = std::min(k.firstLiveSub, std::max(k.subs - 1, 0));
    r->subsBefore.assign(m_subs.cbegin() + r->subsBeforeFrom, m_subs.cbegin() + k.subs);
    r->pos = m_pos;
    r->complete = m_complete;
    r->open = m_open;
    r->firstLiveSub = m_firstLiveSub;
    r->readEnd = m_readEnd;
    r->tokensAtLastCheckpoint = m_tokensAtLastCheckpoint;
    r->errors = m_errors;
    r->lastError = m_lastError;
    // Everything from the kept checkpoint on stays where it is, behind the end of the rescan.
    m_tokens.markOld(size_t(k.tokens));
    m_ranges.markOld(size_t(k.ranges));
    m_subs.markOld(size_t(k.subs));
    m_separators.markOld(size_t(k.separators));
    m_undo.markOld(size_t(k.undo));
    m_checkpoints.markOld(r->checkpointBase);
    m_reuse = std::move(r);
    m_reuseFrom = pos + added;
}

void SyntaxAnalysis::dropReuse()
{
    m_reuse.reset();
    m_tokens.dropOld();
    m_ranges.dropOld();
    m_subs.dropOld();
    m_separators.dropOld();
    m_undo.dropOld();
    m_checkpoints.dropOld();
}

void SyntaxAnalysis::tryReuse()
{
    Reuse &r = *m_reuse;
    const size_t end = m_checkpoints.oldEnd();
    while (r.next < end && m_checkpoints.old(r.next).pos + r.delta < m_pos)
        ++r.next;
    if (r.next >= end) {
        dropReuse(); // past the last point the old scan could be taken up again
        return;
    }
    if (m_checkpoints.old(r.next).pos + r.delta == m_pos && reuseFrom(r.next))
        m_reuse.reset(); // the containers took their old results back
}

// The ranges the old scan had open at its checkpoint `c`, in order of opening.
std::vector<int> SyntaxAnalysis::oldOpenAt(const Checkpoint &c) const
{
    const Reuse &r = *m_reuse;
    std::vector<int> open;
    for (const Reuse::OpenBefore &o : r.openBefore) {
        if (o.closedAt >= c.undo)
            open.push_back(o.index);
    }
    for (int i = r.rangeBase; i < c.ranges; ++i) {
        const int closedAt = r.closedAt[size_t(i - r.rangeBase)];
        // Made open (not ended at once) and not yet closed at `c`.
        if ((m_ranges.old(size_t(i)).endToken < 0 || closedAt != NoRead) && closedAt >= c.undo)
            open.push_back(i);
    }
    return open;
}

// The steps the old scan made from checkpoint `index` on depend on: the text they read, which
// must lie past the changed span; the tokens they looked back at, which must equal ours; the
// open ranges (rules and identifiers); and the sub-lexer ranges, of which none may be in force.
// When all of that agrees they would run again exactly as before, so their results are taken
// over, shifted by the change in length.
bool SyntaxAnalysis::reuseFrom(size_t index)
{
    Reuse &r = *m_reuse;
    const Checkpoint c = m_checkpoints.old(index);
    const size_t ci = index - r.checkpointBase;
    if (r.backText[ci] < r.dirtyEnd)
        return false;
    const int firstRead = std::min(r.backToken[ci], c.tokens);
    if (firstRead < r.tokenBase)
        return false;
    const int window = c.tokens - firstRead;
    const int tokenDelta = int(m_tokens.size()) - c.tokens;
    if (int(m_tokens.size()) < window)
        return false;

    for (size_t i = size_t(m_firstLiveSub); i < m_subs.size(); ++i) {
        if (m_subs[i].end < 0 || m_subs[i].end > m_pos)
            return false;
    }
    auto oldSub = [&](int i) -> const SubLexerRange & {
        return i >= r.subBase ? m_subs.old(size_t(i)) : r.subsBefore[size_t(i - r.subsBeforeFrom)];
    };
    // Ended ones as the old scan left them; one still open at the checkpoint has an entry below.
    for (int i = c.firstLiveSub; i < c.subs; ++i) {
        if (i < r.subsBeforeFrom || oldSub(i).end < 0 || oldSub(i).end > c.pos)
            return false;
    }
    {
        // A sub-lexer range does not open again right where the same rule's range ended.
        const SubAnalyzerRule *oldRule = c.subs > 0 ? oldSub(c.subs - 1).rule : nullptr;
        const int oldEnd = c.subs > 0 ? oldSub(c.subs - 1).end : -1;
        const bool oldAtEnd = oldRule && oldEnd == c.pos;
        const bool newAtEnd = !m_subs.empty() && m_subs.back().end == m_pos;
        if (oldAtEnd != newAtEnd || (newAtEnd && oldRule != m_subs.back().rule))
            return false;
    }

    const std::vector<int> cOpen = oldOpenAt(c);
    if (cOpen.size() != m_open.size())
        return false;
    // Old text that lies outside the changed span, as it reads now.
    auto oldText = [&](int start, int end, QStringView *out) {
        if (end <= r.dirtyStart)
            *out = QStringView(m_text).mid(start, end - start);
        else if (start >= r.dirtyEnd)
            *out = QStringView(m_text).mid(start + r.delta, end - start);
        else
            return false;
        return true;
    };
    for (size_t i = 0; i < cOpen.size(); ++i) {
        const TextRange &now = m_ranges[size_t(m_open[i])];
        const int old = cOpen[i];
        QStringView ident;
        if (old >= r.rangeBase) {
            const TextRange &range = m_ranges.old(size_t(old));
            if (range.rule != now.rule || range.identToken < r.tokenBase)
                return false;
            const SyntaxToken &t = m_tokens.old(size_t(range.identToken));
            if (!oldText(t.start, t.end, &ident))
                return false;
        } else {
            const auto it = std::lower_bound(r.openBefore.cbegin(), r.openBefore.cend(), old,
                                             [](const Reuse::OpenBefore &o, int i) { return o.index < i; });
            if (it == r.openBefore.cend() || it->index != old || it->rule != now.rule ||
                !oldText(it->identStart, it->identEnd, &ident))
                return false;
        }
        if (ident != tokenText(now.identToken))
            return false;
    }

    // The tokens looked back at, as they were at the checkpoint: later tag detection may have
    // changed their types since.
    std::vector<qint16> types(static_cast<size_t>(window));
    std::vector<bool> seen(static_cast<size_t>(window));
    for (int j = 0; j < window; ++j)
        types[size_t(j)] = m_tokens.old(size_t(firstRead + j)).type;
    // Open lists are in order of opening, so by range index.
    auto openPos = [&](int old) {
        const auto it = std::lower_bound(cOpen.cbegin(), cOpen.cend(), old);
        return it != cOpen.cend() && *it == old ? int(it - cOpen.cbegin()) : int(cOpen.size());
    };
    for (size_t i = size_t(c.undo - r.undoBase); i < r.undo.size(); ++i) {
        const Undo &u = r.undo[i].undo;
        switch (u.kind) {
        case Undo::TokenRule:
            if (u.index < c.tokens) {
                if (u.index < firstRead)
                    return false;
                const size_t j = size_t(u.index - firstRead);
                if (!seen[j]) {
                    seen[j] = true;
                    types[j] = u.type;
                }
            }
            break;
        case Undo::SubEnd:
            if (u.index < c.subs)
                return false;
            break;
        case Undo::RangeEnd:
            if (u.index < c.ranges && openPos(u.index) >= int(cOpen.size()))
                return false;
            break;
        }
    }
    for (int j = 0; j < window; ++j) {
        const SyntaxToken &o = m_tokens.old(size_t(firstRead + j));
        const SyntaxToken &t = m_tokens[size_t(int(m_tokens.size()) - window + j)];
        if (o.start + r.delta != t.start || o.end + r.delta != t.end || types[size_t(j)] != t.type)
            return false;
    }

    // Same state: take the old results back.
    const int rangeDelta = int(m_ranges.size()) - c.ranges;
    const int subDelta = int(m_subs.size()) - c.subs;
    const int separatorDelta = int(m_separators.size()) - c.separators;
    const int undoDelta = int(m_undo.size()) - c.undo;
    const int errorDelta = m_errors - c.errors;
    const std::vector<int> openNow = m_open;
    auto mapRange = [&](int old) {
        if (old < 0)
            return old;
        return old >= c.ranges ? old + rangeDelta : openNow[size_t(openPos(old))];
    };
    auto mapToken = [&](int old) { return old < 0 ? old : old + tokenDelta; };

    for (size_t i = size_t(c.undo - r.undoBase); i < r.undo.size(); ++i) {
        const Reuse::Change &ch = r.undo[i];
        if (ch.undo.kind == Undo::TokenRule && ch.undo.index < c.tokens) {
            SyntaxToken &t = m_tokens[size_t(mapToken(ch.undo.index))];
            t.rule = quint16(ch.a);
            t.lexer = quint8(ch.b);
            t.type = ch.type;
        } else if (ch.undo.kind == Undo::RangeEnd && ch.undo.index < c.ranges) {
            m_ranges[size_t(mapRange(ch.undo.index))].endToken = mapToken(ch.a);
        }
    }

    m_checkpoints.back().backText = m_backText;
    m_checkpoints.back().backToken = m_backToken;
    const qsizetype readEnd = m_readEnd;
    // Every sub-lexer range before the checkpoint has ended, so any start at or below ours will do.
    const int firstLiveSub = m_firstLiveSub;
    auto mapFirstLiveSub = [&](int old) { return old >= c.subs ? old + subDelta : firstLiveSub; };
    const int delta = r.delta;

    m_tokens.spliceOld(size_t(c.tokens), [delta](SyntaxToken t) {
        t.start += delta;
        t.end += delta;
        return t;
    });
    m_ranges.spliceOld(size_t(c.ranges), [&](TextRange x) {
        x.startToken = mapToken(x.startToken);
        x.endToken = mapToken(x.endToken);
        x.identToken = mapToken(x.identToken);
        x.condStart = mapToken(x.condStart);
        x.condEnd = mapToken(x.condEnd);
        x.parent = mapRange(x.parent);
        return x;
    });
    m_subs.spliceOld(size_t(c.subs), [delta](SubLexerRange x) {
        x.condStart += delta;
        x.start += delta;
        if (x.end >= 0)
            x.end += delta;
        if (x.condEnd >= 0)
            x.condEnd += delta;
        return x;
    });
    m_separators.spliceOld(size_t(c.separators), [delta](LineSeparatorMark m) {
        m.offset += delta;
        return m;
    });
    m_undo.spliceOld(size_t(c.undo), [&](Undo u) {
        switch (u.kind) {
        case Undo::TokenRule: u.index = mapToken(u.index); break;
        case Undo::RangeEnd:
            u.index = mapRange(u.index);
            u.a = mapToken(u.a);
            break;
        case Undo::SubEnd:
            u.index += subDelta;
            if (u.a >= 0)
                u.a += delta;
            if (u.b >= 0)
                u.b += delta;
            break;
        }
        return u;
    });
    m_checkpoints.spliceOld(index, [&](Checkpoint p) {
        p.pos += delta;
        p.tokens += tokenDelta;
        p.ranges += rangeDelta;
        p.subs += subDelta;
        p.separators += separatorDelta;
        p.undo += undoDelta;
        p.firstLiveSub = mapFirstLiveSub(p.firstLiveSub);
        p.errors += errorDelta;
        p.readEnd = std::max(p.readEnd + delta, readEnd);
        if (p.backText != NoRead)
            p.backText += delta;
        if (p.backToken != NoRead)
            p.backToken = mapToken(p.backToken);
        return p;
    });
    m_backText = m_checkpoints.back().backText;
    m_backToken = m_checkpoints.back().backToken;

    m_pos = r.pos + delta;
    m_complete = r.complete;
    m_open.clear();
    for (int o : r.open)
        m_open.push_back(mapRange(o));
    recountOpen();
    m_firstLiveSub = mapFirstLiveSub(r.firstLiveSub);
    m_readEnd = std::max(r.readEnd + delta, readEnd);
    m_tokensAtLastCheckpoint = r.tokensAtLastCheckpoint + tokenDelta;
    if (r.errors > c.errors)
        m_lastError = r.lastError;
    m_errors += r.errors - c.errors;
    return true;
}

bool SyntaxAnalysis::analyze(int until, const QDeadlineTimer &deadline)
{
    if (!m_main) {
        m_complete = true;
        return true;
    }
    const int limit = until < 0 ? int(m_text.size()) : std::min<int>(until, int(m_text.size()));
    int sinceClock = 0;
    while (!m_complete && (until < 0 || m_pos <= limit)) {
        if (m_pos >= m_text.size()) {
            noteRead(m_text.size() + 1);
            m_complete = true;
            dropReuse();
            break;
        }
        scanStep();
        if (m_reuse && m_pos >= m_reuseFrom) {
            tryReuse();
            if (!m_reuse)
                continue; // done with the old results, spliced in or not
        }
        if (int(m_tokens.size()) - m_tokensAtLastCheckpoint >= CheckpointSpacing)
            addCheckpoint();
        if (++sinceClock >= 256) {
            sinceClock = 0;
            if (deadline.hasExpired())
                break;
        }
    }
    return m_complete;
}

SyntAnalyzer *SyntaxAnalysis::findOwner(int cur)
{
    while (m_firstLiveSub < int(m_subs.size()) && m_subs[size_t(m_firstLiveSub)].end >= 0 &&
           m_subs[size_t(m_firstLiveSub)].end <= cur)
        ++m_firstLiveSub;
    for (int i = int(m_subs.size()) - 1; i >= m_firstLiveSub; --i) {
        SubLexerRange &s = m_subs[size_t(i)];
        if (s.start > cur)
            continue;
        if (s.end < 0) {
            const int n = s.rule->endExpression.match(m_text, cur, &m_readEnd);
            if (n <= 0)
                return s.rule->analyzer;
            m_undo.push_back({Undo::SubEnd, i, s.end, s.condEnd, 0});
            s.condEnd = cur + n;
            if (s.rule->IncludeBounds) {
                s.end = cur + n;
                return s.rule->analyzer;
            }
            s.end = cur;
            continue;
        }
        if (s.end > cur)
            return s.rule->analyzer;
    }
    return m_main;
}

bool SyntaxAnalysis::tryOpenWith(int cur, SyntAnalyzer *lexer, bool alwaysOnly)
{
    for (const auto &r : lexer->subAnalyzers()) {
        if (!r->Enabled || !r->analyzer || (alwaysOnly && !r->AlwaysEnabled) || !parentTest(*r))
            continue;
        // What match() would find out first, without the call.
        if (r->startExpression.isValid() && !r->startExpression.canStartWith(m_text.at(cur))) {
            noteRead(cur + 1);
            continue;
        }
        const int n = r->startExpression.match(m_text, cur, &m_readEnd);
        if (n <= 0)
            continue;
        if (!m_subs.empty() && m_subs.back().rule == r.get() && m_subs.back().end == cur)
            return false; // the same block again right where it ended
        lexerSlot(r->analyzer);
        m_subs.push_back({r.get(), cur, r->IncludeBounds ? cur : cur + n, -1, -1});
        return true;
    }
    return false;
}

void SyntaxAnalysis::tryOpenSubLexer(int cur, SyntAnalyzer *owner)
{
    if (!tryOpenWith(cur, owner, false) && owner != m_main)
        tryOpenWith(cur, m_main, true);
}

void SyntaxAnalysis::scanStep()
{
    m_stepTokenBase = int(m_tokens.size());
    int cur = m_pos;
    noteBackText(cur - 1); // "^" and "\b" look at the character before

    SyntAnalyzer *owner = findOwner(cur);
    tryOpenSubLexer(cur, owner);
    if (owner->SkipSpaces()) {
        const bool keepBreaks = owner->ParseEndOfLine();
        const int len = int(m_text.size());
        const char16_t *s = reinterpret_cast<const char16_t *>(m_text.constData());
        while (cur < len && isBlank(s[cur]) && !(keepBreaks && isLineBreak(s[cur])))
            ++cur;
        noteRead(cur + 1);
        if (cur >= len) {
            m_pos = len;
            return;
        }
        if (cur != m_pos)
            tryOpenSubLexer(cur, owner);
    }
    owner = findOwner(cur);
    if (makeToken(cur, owner)) {
        m_pos = m_tokens.back().end;
        runBlockRules(owner);
    } else {
        m_pos = cur + 1;
    }
}

int SyntaxAnalysis::columnOf(int offset)
{
    int start = offset;
    while (start > 0 && !isLineBreak(m_text.at(start - 1).unicode()))
        --start;
    noteBackText(start - 1);
    return offset - start + 1; // columns count from 1
}

bool SyntaxAnalysis::tryTokenRules(int cur, SyntAnalyzer *lexer, bool alwaysOnly)
{
    const SyntAnalyzer::TokenCandidates &candidates = lexer->tokenRulesFor(m_text.at(cur), alwaysOnly);
    // Telling a rule out by the character at `cur` read it; so does every match attempt.
    if (candidates.skipsSome)
        noteRead(cur + 1);
    for (const TokenRule *r : candidates.rules) {
        if ((r->parentRule || !r->BlockName.isEmpty() || r->StrictParent || r->NotParent) && !parentTest(*r))
            continue;
        if (r->ColumnFrom > 0 || r->ColumnTo > 0) {
            const int col = columnOf(cur);
            if ((r->ColumnFrom > 0 && col < r->ColumnFrom) || (r->ColumnTo > 0 && col > r->ColumnTo))
                continue;
        }
        const int n = r->expression.match(m_text, cur, &m_readEnd);
        if (n <= 0)
            continue;
        SyntaxToken t;
        t.start = cur;
        t.end = cur + n;
        t.type = qint16(r->TokenType);
        t.lexer = quint8(lexerSlot(lexer));
        t.rule = quint16(r->index);
        m_tokens.push_back(t);
        return true;
    }
    return false;
}

bool SyntaxAnalysis::makeToken(int cur, SyntAnalyzer *owner)
{
    bool made = tryTokenRules(cur, m_main, owner != m_main);
    if (!made && owner != m_main)
        made = tryTokenRules(cur, owner, false);
    if (!made)
        return false;
    // A sub-lexer block that starts inside the token takes over from there.
    SyntaxToken &t = m_tokens.back();
    if (!m_subs.empty()) {
        const SubLexerRange &s = m_subs.back();
        if (s.start > t.start && s.start < t.end)
            t.end = s.start;
    }
    return true;
}

bool SyntaxAnalysis::parentTest(const SyntRule &rule) const
{
    bool holds;
    if (!rule.StrictParent) {
        holds = rule.BlockName.isEmpty() ||
anyOpen(rule);
    } else if (m_open.empty()) {
        holds = rule.BlockName.isEmpty();
    } else {
        const bool selfClose = rule.kind == SyntRule::BlockKind && static_cast<const BlockRule &>(rule).SelfClose;
        const TextRange *parent = nullptr;
        bool skippedOwn = false;
        for (auto it = m_open.crbegin(); it != m_open.crend(); ++it) {
            const TextRange &r = m_ranges[size_t(*it)];
            if (r.rule->IgnoreAsParent)
                continue;
            if (selfClose && !skippedOwn && r.rule == &rule) {
                skippedOwn = true;
                continue;
            }
            parent = &r;
            break;
        }
        holds = parent && !rule.BlockName.isEmpty() && opensAs(*parent, rule);
    }
    return rule.NotParent ? !holds : holds;
}

bool SyntaxAnalysis::conditionsMatch(const BlockRule &rule, int n, int k, int *first)
{
    const auto &conds = rule.conditions;
    if (conds.empty())
        return false;
    int idx = n - 1 - k;
    for (size_t i = 0; i < conds.size(); ++i) {
        noteBackToken(std::max(idx, -1));
        const TagCondition &c = *conds[i];
        if (c.CondType == tcSkip && i + 1 < conds.size() && conds[i + 1]->CondType != tcSkip) {
            const TagCondition &next = *conds[i + 1];
            while (true) {
                noteBackToken(std::max(idx, -1));
                if (idx < 0)
                    return false;
                const SyntaxToken &t = m_tokens[size_t(idx)];
                if (next.accepts(tokenText(idx), t.type))
                    break;
                if (!c.accepts(tokenText(idx), t.type))
                    return false;
                --idx;
            }
            continue;
        }
        if (idx < 0) {
            if (c.CondType != tcNotEqual)
                return false;
        } else if (!c.accepts(tokenText(idx), m_tokens[size_t(idx)].type)) {
            return false;
        }
        --idx;
    }
    *first = idx + 1;
    return true;
}

void SyntaxAnalysis::runBlockRules(SyntAnalyzer *owner)
{
    // The rules left out by their first test of the newest token would have read just that.
    noteBackToken(int(m_tokens.size()) - 1);
    const bool sub = owner != m_main;
    if (runBlockRulesOf(*m_main, sub) && sub)
        runBlockRulesOf(*owner, false);
}

bool SyntaxAnalysis::runBlockRulesOf(const SyntAnalyzer &lexer, bool alwaysOnly)
{
    const auto &rules = lexer.blockRules();
    const QStringView newest = tokenText(int(m_tokens.size()) - 1);
    for (int word = 0; word < lexer.blockRuleWords(); ++word) {
        int type = m_tokens.back().type;
        std::uint64_t candidates = lexer.blockRuleCandidates(word, newest, type, alwaysOnly);
        while (candidates) {
            const int bit = std::countr_zero(candidates);
            candidates &= candidates - 1;
            const BlockRule &r = *rules[size_t(word * 64 + bit)];
            const BlockOutcome o = runBlockRule(r);
            if (o == BlockOutcome::Abort || (o == BlockOutcome::Matched && r.CancelNextRules))
                return false;
            if (m_tokens.back().type != type) {
                // A tag rule gave the newest token another type: go on with the rules for that one.
                type = m_tokens.back().type;
                candidates = lexer.blockRuleCandidates(word, newest, type, alwaysOnly) &
                             ~((std::uint64_t(2) << bit) - 1);
            }
        }
    }
    return true;
}

// Called only for the rules SyntAnalyzer::blockRuleCandidates gives for the newest token.
SyntaxAnalysis::BlockOutcome SyntaxAnalysis::runBlockRule(const BlockRule &rule)
{
    const int n = int(m_tokens.size());
    const int k = rule.checkOffset();
    if (!parentTest(rule))
        return BlockOutcome::NoMatch;
    int first = 0;
    if (!rule.GrammaRuleName.isEmpty()) {
        const SyntaxGrammar &g = rule.lexer->grammar();
        // Most tokens cannot end the production; the match would have read just that one.
        const int newest = n - 1 - k;
        if (newest >= 0 &&
            !g.mayMatchFrom(rule.grammarProduction, tokenText(newest), m_tokens[size_t(newest)].type)) {
            noteBackToken(newest - 1);
            return BlockOutcome::NoMatch;
        }
        // A production also fails on running out of tokens, which reads the one before.
        const SyntaxGrammar::Tokens access{[this](int i) {
                                               noteBackToken(i - 1);
                                               return tokenText(i);
                                           },
                                           [this](int i) {
                                               noteBackToken(i - 1);
                                               return int(m_tokens[size_t(i)].type);
                                           }};
        try {
            first = g.match(rule.grammarProduction, access, n - 1 - k);
        } catch (const SyntaxGrammar::Error &e) {
            ++m_errors;
            const bool fresh = m_lastError != e.message;
            m_lastError = e.message;
            if (fresh)
                emit errorRaised(e.message);
            return BlockOutcome::Abort;
        }
        if (first < 0 || first > n - 1 - k)
            return BlockOutcome::NoMatch; // a match of no tokens is no match
    } else if (!conditionsMatch(rule, n, k, &first)) {
        return BlockOutcome::NoMatch;
    }
    const int ref = rule.RefToCondEnd ? first : n - 1 - k;
    const int condEnd = n - 1 - k;
    switch (rule.BlockType) {
    case btTagDetect: {
        const int target = ref - rule.IdentIndex;
        if (target < 0 || target >= n)
            break;
        noteBackToken(target);
        SyntaxToken &t = m_tokens[size_t(target)];
        if (target < m_stepTokenBase)
            m_undo.push_back({Undo::TokenRule, target, t.rule, t.lexer, t.type});
        t.rule = quint16(rule.index);
        t.lexer = quint8(lexerSlot(const_cast<SyntAnalyzer *>(rule.lexer)));
        if (rule.TokenType >= 0)
            t.type = qint16(rule.TokenType);
        break;
    }
    case btLineBreak: {
        if (ref < 0 || ref >= n)
            break;
        noteBackToken(ref);
        const SyntaxToken &t = m_tokens[size_t(ref)];
        m_separators.push_back({&rule, rule.LinePos == lbTop ? int(t.start) : std::max<int>(t.start, t.end - 1)});
        break;
    }
    case btRangeStart:
        if (rule.SelfClose)
            closeRange(rule, ref);
        if (rule.NoEndRule)
            openRange(rule, first - rule.BlockOffset, ref - rule.IdentIndex, first, condEnd, n - 1);
        else
            openRange(rule, ref - rule.BlockOffset, ref - rule.IdentIndex, first, condEnd, -1);
        break;
    case btRangeEnd:
        if (!closeRange(rule, ref))
            return BlockOutcome::NoMatch;
        break;
    }
    return BlockOutcome::Matched;
}

void SyntaxAnalysis::openRange(const BlockRule &rule, int startToken, int identToken, int condStart, int condEnd,
                               int endToken)
{
    const int last = int(m_tokens.size()) - 1;
    TextRange r;
    r.rule = &rule;
    r.startToken = std::clamp(startToken, 0, last);
    r.identToken = std::clamp(identToken, 0, last);
    r.condStart = std::clamp(condStart, 0, last);
    r.condEnd = std::clamp(condEnd, 0, last);
    r.endToken = endToken;
    noteBackToken(std::min({r.startToken, r.identToken, r.condStart}));
    r.parent = m_open.empty() ? -1 : m_open.back();
    m_ranges.push_back(r);
    if (endToken < 0) {
        m_open.push_back(int(m_ranges.size()) - 1);
        countOpen(&rule, 1);
    }
}

void SyntaxAnalysis::countOpen(const BlockRule *rule, int delta)
{
    for (auto it = m_openCounts.begin(); it != m_openCounts.end(); ++it) {
        if (it->first == rule) {
            it->second += delta;
            if (it->second <= 0)
                m_openCounts.erase(it);
            return;
        }
    }
    if (delta > 0)
        m_openCounts.emplace_back(rule, delta);
}

void SyntaxAnalysis::recountOpen()
{
    m_openCounts.clear();
    for (int i : m_open)
        countOpen(m_ranges[size_t(i)].rule, 1);
}

bool SyntaxAnalysis::anyOpen(const SyntRule &rule) const
{
    for (const auto &[open, count] : m_openCounts) {
        if (rule.parentRule ? open == rule.parentRule : open->DisplayName == rule.BlockName)
            return true;
    }
    return false;
}

bool SyntaxAnalysis::closeRange(const BlockRule &closing, int ref)
{
    auto fitsRule = [&](const BlockRule &s) {
        if (closing.BlockType == btRangeStart)
            return &s == &closing;
        return (!s.BlockEnd.isEmpty() && s.BlockEnd == closing.DisplayName) ||
               (!closing.BlockEnd.isEmpty() && closing.BlockEnd == s.DisplayName);
    };
    if (std::none_of(m_openCounts.cbegin(), m_openCounts.cend(), [&](const auto &e) { return fitsRule(*e.first); }))
        return false;
    for (int i = int(m_open.size()) - 1; i >= 0; --i) {
        TextRange &range = m_ranges[size_t(m_open[size_t(i)])];
        const BlockRule &s = *range.rule;
        bool fits = fitsRule(s);
        if (fits && closing.SameIdent) {
            const int ident = ref - closing.IdentIndex;
            if (ident < int(m_tokens.size()))
                noteBackToken(std::max(ident, -1));
            fits = ident >= 0 && ident < int(m_tokens.size()) &&
                   equalsAsciiNoCase(tokenText(range.identToken), tokenText(ident));
        }
        if (!fits)
            continue;
        int end = ref - closing.BlockOffset;
        if (&s == &closing && end > 0)
            --end;
        m_undo.push_back({Undo::RangeEnd, m_open[size_t(i)], range.endToken, 0, 0});
        range.endToken = std::max(end, 0);
        noteBackToken(std::min(range.endToken, int(m_tokens.size()) - 1));
        m_open.erase(m_open.begin() + i);
        countOpen(&s, -1);
        return true;
    }
    return false;
}

int SyntaxAnalysis::TokenAtPos(int offset) const
{
    const auto it = std::upper_bound(m_tokens.cbegin(), m_tokens.cend(), offset,
                                     [](int o, const SyntaxToken &t) { return o < t.start; });
    if (it == m_tokens.cbegin())
        return -1;
    const auto &t = *(it - 1);
    return offset < t.end ? int(it - 1 - m_tokens.cbegin()) : -1;
}

const SyntaxFormatDef *SyntaxAnalysis::tokenStyle(const SyntaxToken &t) const
{
    const SyntRule *r = tokenRule(t);
    if (r->styleIndex >= 0)
        return &r->lexer->formats()[size_t(r->styleIndex)];
    if (m_main && m_main->defaultStyleIndex() >= 0)
        return &m_main->formats()[size_t(m_main->defaultStyleIndex())];
    return nullptr;
}

SyntaxAnalysis::Snapshot SyntaxAnalysis::snapshot() const
{
    return {m_text, m_tokens.toVector(), m_ranges.toVector(), m_subs.toVector(), m_separators.toVector()};
}

namespace {

// Line index of character offsets; CR LF, LF and CR each end a line.
class LineIndex {
public:
    explicit LineIndex(const QString &text)
    {
        m_starts.push_back(0);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                continue;
            if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                m_starts.push_back(int(i + 1));
        }
    }
    int lineOf(int offset) const
    {
        return int(std::upper_bound(m_starts.cbegin(), m_starts.cend(), offset) - m_starts.cbegin()) - 1;
    }

private:
    std::vector<int> m_starts;
};

} // namespace

AnalysisResults SyntaxAnalysis::finish(const Snapshot &s, const std::atomic_bool *stop)
{
    AnalysisResults out;
    const LineIndex lines(s.text);
    const int textEnd = int(s.text.size());
    auto stopped = [stop] { return stop && stop->load(std::memory_order_relaxed); };

    for (const SubLexerRange &sub : s.subs) {
        if (stopped())
            return out;
        if (sub.rule->styleIndex < 0)
            continue;
        RangeStyle rs;
        rs.start = sub.start;
        rs.end = sub.end < 0 ? textEnd : sub.end;
        rs.lexer = sub.rule->lexer;
        rs.style = sub.rule->styleIndex;
        out.rangeStyles.push_back(rs);
    }
    const int tokenCount = int(s.tokens.size());
    for (const TextRange &r : s.ranges) {
        if (stopped())
            return out;
        const BlockRule &rule = *r.rule;
        const bool closed = r.endToken >= 0 && r.endToken < tokenCount;
        if (r.startToken >= tokenCount)
            continue;
        const SyntaxToken &st = s.tokens[size_t(r.startToken)];
        const SyntaxToken *et = closed ? &s.tokens[size_t(r.endToken)] : nullptr;
        if (closed && et->end > st.start) {
            LineSpan span{lines.lineOf(st.start), lines.lineOf(std::max<int>(st.start, et->end - 1)), st.start,
                          et->end, &rule};
            if (!rule.NotCollapsed && span.endLine > span.startLine)
                out.foldRanges.push_back(span);
            if (rule.DrawStaple)
                out.staples.push_back(span);
        }
        if (rule.styleIndex < 0 || rule.DynHighlight == dhNone)
            continue;
        RangeStyle base;
        base.lexer = rule.lexer;
        base.style = rule.styleIndex;
        base.lineHighlight = rule.Highlight;
        base.caretDependent = rule.HighlightPos != cpAny;
        base.inverted = rule.HighlightPos == cpOutOfRange;
        switch (rule.HighlightPos) {
        case cpRange:
        case cpOutOfRange:
            base.areaStart = st.start;
            base.areaEnd = et ? int(et->end) : textEnd;
            break;
        case cpBoundTagBegin:
            base.areaStart = st.start;
            base.areaEnd = st.end;
            break;
        default:
            base.areaStart = st.start;
            base.areaEnd = st.end;
            if (et) {
                base.area2Start = et->start;
                base.area2End = et->end;
            }
            break;
        }
        auto add = [&](int a, int b) {
            if (b < a)
                return;
            RangeStyle rs = base;
            rs.start = a;
            rs.end = b;
            out.rangeStyles.push_back(rs);
        };
        switch (rule.DynHighlight) {
        case dhBound:
            add(st.start, st.end);
            if (et && et != &st)
                add(et->start, et->end);
            break;
        case dhRangeNoBound:
            if (et)
                add(st.end, et->start);
            break;
        case dhRange:
            if (et)
                add(st.start, et->end);
            break;
        case dhNone: break;
        }
    }
    for (const LineSeparatorMark &m : s.separators) {
        if (stopped())
            return out;
        out.separators.push_back({lines.lineOf(m.offset), m.rule->LinePos == lbBottom, m.rule});
    }
    return out;
}
