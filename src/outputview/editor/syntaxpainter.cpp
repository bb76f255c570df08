#include "syntaxpainter.h"

#include "syntaxmemo.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>

QColor syntaxColor(const SyntaxColor &color, const QPalette &palette)
{
    switch (color.kind) {
    case SyntaxColor::None:
        return {};
    case SyntaxColor::Rgb:
        return QColor::fromRgb(QRgb(0xFF000000u | color.rgb));
    case SyntaxColor::System:
        switch (color.role) {
        case SyntaxColor::WindowText:
            return palette.color(QPalette::Text);
        case SyntaxColor::Highlight:
            return palette.color(QPalette::Highlight);
        case SyntaxColor::HighlightText:
            return palette.color(QPalette::HighlightedText);
        case SyntaxColor::HotLight:
            return palette.color(QPalette::Link);
        case SyntaxColor::BtnFace:
            return palette.color(QPalette::Button);
        }
    }
    return {};
}

void applySyntaxStyle(QTextCharFormat &format, const SyntaxFormatDef &style, const QPalette &palette,
                      const QFont &editorFont)
{
    const TFormatType type = style.FormatType;
    const std::uint16_t flags = style.FormatFlags;
    if (const QColor bg = syntaxColor(style.BgColor, palette); bg.isValid())
        format.setBackground(bg);
    if (type == ftBackGround)
        return;
    if (const QColor fg = syntaxColor(style.FontColor, palette); fg.isValid())
        format.setForeground(fg);
    if (type == ftColor)
        return;
    if (flags & ffBold)
        format.setFontWeight(style.FontStyle & fsBold ? QFont::Bold : QFont::Normal);
    if (flags & ffItalic)
        format.setFontItalic(style.FontStyle & fsItalic);
    if (flags & ffUnderline)
        format.setFontUnderline(style.FontStyle & fsUnderline);
    if (flags & ffStrikeOut)
        format.setFontStrikeOut(style.FontStyle & fsStrikeOut);
    switch (style.ChangeCase) {
    case ccUpper:
        format.setFontCapitalization(QFont::AllUppercase);
        break;
    case ccLower:
        format.setFontCapitalization(QFont::AllLowercase);
        break;
    case ccTitle:
        format.setFontCapitalization(QFont::Capitalize);
        break;
    case ccNone:
    case ccToggle: // no layout attribute swaps letter case
        break;
    }
    if ((flags & ffHidden) && style.Hidden) {
        // Collapsed to no width and drawn in no colour: the characters stay in the text.
        format.setForeground(Qt::transparent);
        format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        format.setFontLetterSpacing(-QFontMetricsF(editorFont).horizontalAdvance(QLatin1Char('M')));
    }
    if (type != ftCustomFont)
        return;
    // The editor's own font already is the definitions' face and size; set them only where a style differs.
    if ((flags & ffFontName) && !style.FontName.isEmpty() && style.FontName != editorFont.family())
        format.setFontFamilies(QStringList{style.FontName});
    if ((flags & ffFontSize) && style.FontHeight != 0) {
        const int pixels = std::abs(style.FontHeight);
        if (pixels != editorFont.pixelSize())
            format.setProperty(QTextFormat::FontPixelSize, pixels);
    }
}

bool isReadOnlyStyle(const SyntaxFormatDef &style)
{
    const bool fontAttributes = style.FormatType == ftFontAttr || style.FormatType == ftCustomFont;
    return fontAttributes && (style.FormatFlags & ffReadOnly) && style.ReadOnly;
}

namespace {

Qt::PenStyle penStyle(TBorderLineType type)
{
    switch (type) {
    case blDash:
        return Qt::DashLine;
    case blDot:
        return Qt::DotLine;
    case blDashDot:
        return Qt::DashDotLine;
    case blDashDotDot:
        return Qt::DashDotDotLine;
    default:
        return Qt::SolidLine;
    }
}

// One border side from a to b; `inward` points towards the inside of the box (for double lines).
void drawBorder(QPainter &p, TBorderLineType type, const QColor &color, QPointF a, QPointF b, QPointF inward)
{
    if (type == blNone || !color.isValid())
        return;
    QPen pen(color);
    pen.setStyle(penStyle(type));
    pen.setWidthF(type == blSolid2 ? 2 : type == blSolid3 ? 3 : 1);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    if (type == blWavyLine) {
        QPainterPath path(a);
        const QPointF along = b - a;
        const qreal length = std::hypot(along.x(), along.y());
        if (length <= 0)
            return;
        const QPointF unit = along / length;
        for (qreal t = 2; t <= length; t += 2)
            path.lineTo(a + unit * t + inward * ((int(t / 2) % 2) ? 1.0 : -1.0));
        p.drawPath(path);
        return;
    }
    p.drawLine(a, b);
    if (type == blDouble)
        p.drawLine(a + inward * 2, b + inward * 2);
}

void drawBox(QPainter &p, const QRectF &r, const SyntaxFormatDef &s, const QPalette &pal, bool top, bool bottom)
{
    const QRectF box = r.adjusted(0.5, 0.5, -0.5, -0.5);
    drawBorder(p, s.BorderTypeLeft, syntaxColor(s.BorderColorLeft, pal), box.topLeft(), box.bottomLeft(), {1, 0});
    drawBorder(p, s.BorderTypeRight, syntaxColor(s.BorderColorRight, pal), box.topRight(), box.bottomRight(), {-1, 0});
    if (top)
        drawBorder(p, s.BorderTypeTop, syntaxColor(s.BorderColorTop, pal), box.topLeft(), box.topRight(), {0, 1});
    if (bottom)
        drawBorder(p, s.BorderTypeBottom, syntaxColor(s.BorderColorBottom, pal), box.bottomLeft(),
                   box.bottomRight(), {0, -1});
}

bool hasBorder(const SyntaxFormatDef &s)
{
    return s.BorderTypeLeft != blNone || s.BorderTypeTop != blNone || s.BorderTypeRight != blNone ||
           s.BorderTypeBottom != blNone;
}

} // namespace

SyntaxPainter::SyntaxPainter(SyntaxMemo *memo) : QObject(memo), m_memo(memo)
{
    connect(memo->document(), &QTextDocument::contentsChange, this, &SyntaxPainter::onContentsChange);
    connect(&m_analysis, &BackgroundAnalysis::tokensChanged, this, &SyntaxPainter::onTokensChanged);
    connect(&m_analysis, &BackgroundAnalysis::resultsChanged, this, &SyntaxPainter::onResultsChanged);
    connect(memo, &QPlainTextEdit::cursorPositionChanged, this, &SyntaxPainter::onCaretMoved);
    resetText();
}

SyntaxPainter::~SyntaxPainter() = default;

QString SyntaxPainter::analysisText(const QTextDocument *document)
{
    QString text = document->toRawText();
    // The raw text ends with the last block's separator, which is no character of the text.
    if (text.endsWith(QChar::ParagraphSeparator))
        text.chop(1);
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

void SyntaxPainter::setLexer(SyntAnalyzer *lexer)
{
    if (lexer == m_lexer)
        return;
    m_lexer = lexer;
    m_analysis.setLexer(lexer);
    // The analysis itself starts over when a lexer it uses changes its definition.
    disconnect(m_lexerGone);
    if (m_lexer)
        m_lexerGone = connect(m_lexer, &QObject::destroyed, this, [this] { setLexer(nullptr); });
    m_resultsValid = false;
    m_edits.clear();
    m_viewDirty = true;
    m_memo->viewport()->update();
}

void SyntaxPainter::resetText()
{
    const QString text = analysisText(m_memo->document());
    m_textLength = int(text.size());
    m_blockCount = m_memo->document()->blockCount();
    m_analysis.setText(text);
    m_resultsValid = false;
    m_edits.clear();
    m_foldAnchors.clear();
    m_viewDirty = true;
    // Blocks kept from the old text may still be hidden; show them once the change is through.
    if (m_anyHidden)
        QMetaObject::invokeMethod(this, &SyntaxPainter::applyFolding, Qt::QueuedConnection);
}

void SyntaxPainter::onContentsChange(int pos, int removed, int added)
{
    if (m_restyling)
        return;
    QTextDocument *doc = m_memo->document();
    const QString text = analysisText(doc);
    const int newLength = int(text.size());
    // Qt counts the document's final separator into whole-document changes; derive the removed
    // count from the lengths so the edit always describes this text.
    added = std::clamp(added, 0, std::max(0, newLength - pos));
    removed = added - (newLength - m_textLength);
    if (pos <= 0 && removed >= m_textLength) {
        resetText();
        return;
    }
    if (pos < 0 || removed < 0 || pos + removed > m_textLength) {
        resetText();
        return;
    }
    const int line = doc->findBlock(pos).blockNumber();
    m_edits.push_back({pos, removed, added, line, doc->blockCount() - m_blockCount});
    m_textLength = newLength;
    m_blockCount = doc->blockCount();
    m_analysis.applyEdit(text, pos, removed, added);
    m_viewDirty = true;
}

bool SyntaxPainter::touchesReadOnly(int from, int to)
{
    if (!m_lexer)
        return false;
    from = std::clamp(from, 0, m_textLength);
    to = std::clamp(to, from, m_textLength);
    // A block rule may restyle a token while the scan looks at the ones after it: analyse to the
    // end of the line the range ends on.
    const QTextBlock line = m_memo->document()->findBlock(to);
    m_analysis.ensureAnalyzed(line.isValid() ? line.position() + line.length() : to);

    const SyntaxAnalysis &analysis = m_analysis.analysis();
    const std::span<const SyntaxToken> tokens = analysis.tokens();
    // Tokens do not overlap, so their ends ascend with their starts. A token counts when it has a
    // character inside the range, or (for an insertion) when the range lies strictly inside it;
    // both come to start < to && end > from.
    auto it = std::partition_point(tokens.begin(), tokens.end(),
                                   [from](const SyntaxToken &t) { return t.end <= from; });
    for (; it != tokens.end() && it->start < to; ++it) {
        const SyntaxFormatDef *style = analysis.tokenStyle(*it);
        if (it->start < it->end && style && isReadOnlyStyle(*style))
            return true;
    }
    return false;
}

void SyntaxPainter::onTokensChanged()
{
    const int upTo = m_analysis.analysis().analyzedUpTo();
    // The visible part was analysed before it was painted; later slices change only what lies below.
    if (!m_preparing && (upTo < m_lastAnalyzed || m_lastAnalyzed < m_visibleEnd))
        m_memo->viewport()->update();
    m_lastAnalyzed = upTo;
}

void SyntaxPainter::onResultsChanged()
{
    m_resultsValid = true;
    m_edits.clear();
    m_viewDirty = true;
    rebuildView();
    applyFolding();
    m_memo->viewport()->update();
    emit foldsChanged();
}

void SyntaxPainter::onCaretMoved()
{
    const QTextCursor cursor = m_memo->textCursor();
    m_analysis.setCaret(cursor.position());
    if (!cursor.block().isVisible()) {
        // The caret went into a folded range: open every fold around it.
        const int line = cursor.blockNumber();
        std::erase_if(m_foldAnchors, [&](const QTextCursor &a) {
            const int start = a.blockNumber();
            return std::any_of(m_folds.begin(), m_folds.end(), [&](const Fold &f) {
                return f.startLine == start && line > f.startLine && line <= f.endLine;
            });
        });
        applyFolding();
        emit foldsChanged();
    }
    if (caretSignature() != m_caretShown) {
        m_viewDirty = true;
        m_memo->viewport()->update();
    }
}

int SyntaxPainter::shifted(int offset, bool isEnd) const
{
    for (const Edit &e : m_edits) {
        if (offset >= e.pos + e.removed && !(isEnd && offset == e.pos && e.removed == 0))
            offset += e.added - e.removed;
        else if (offset > e.pos)
            offset = isEnd ? e.pos + e.added : e.pos;
    }
    return offset;
}

const SyntaxFormatDef *SyntaxPainter::style(const SyntAnalyzer *lexer, int index) const
{
    if (!lexer || index < 0 || index >= int(lexer->formats().size()))
        return nullptr;
    return &lexer->formats()[size_t(index)];
}

std::vector<char> SyntaxPainter::caretSignature() const
{
    std::vector<char> shown;
    const int caret = m_memo->textCursor().position();
    for (const RangeStyle &s : m_rangeStyles)
        if (s.caretDependent)
            shown.push_back(s.shownForCaret(caret));
    return shown;
}

QColor SyntaxPainter::penColor(const BlockRule *rule, QPalette::ColorRole fallback) const
{
    if (rule && rule->UseCustomPen) {
        const QColor c = syntaxColor(rule->PenColor, m_memo->palette());
        if (c.isValid())
            return c;
    }
    return m_memo->palette().color(fallback);
}

void SyntaxPainter::rebuildView()
{
    if (!m_viewDirty)
        return;
    m_viewDirty = false;
    m_rangeStyles.clear();
    m_charStyles.clear();
    m_lineStyles.clear();
    m_staples.clear();
    m_separators.clear();
    m_folds.clear();
    if (!m_lexer || !m_resultsValid) {
        m_caretShown.clear();
        return;
    }
    const QTextDocument *doc = m_memo->document();
    const int last = std::max(0, m_textLength - 1);
    auto lineOf = [&](int offset) { return doc->findBlock(std::clamp(offset, 0, last)).blockNumber(); };
    const AnalysisResults &results = m_analysis.results();

    for (RangeStyle s : results.rangeStyles) {
        s.start = shifted(s.start, false);
        s.end = shifted(s.end, true);
        s.areaStart = shifted(s.areaStart, false);
        s.areaEnd = shifted(s.areaEnd, true);
        if (s.area2Start >= 0) {
            s.area2Start = shifted(s.area2Start, false);
            s.area2End = shifted(s.area2End, true);
        }
        m_rangeStyles.push_back(s);
    }
    m_caretShown = caretSignature();
    const int caret = m_memo->textCursor().position();
    for (const RangeStyle &s : m_rangeStyles) {
        const SyntaxFormatDef *def = style(s.lexer, s.style);
        if (!def || !s.shownForCaret(caret))
            continue;
        if (s.lineHighlight)
            m_lineStyles.push_back({lineOf(s.start), lineOf(std::max(s.start, s.end - 1)), def});
        else if (s.end > s.start)
            m_charStyles.push_back({s.start, s.end, def});
    }
    std::stable_sort(m_charStyles.begin(), m_charStyles.end(),
                     [](const CharStyle &a, const CharStyle &b) { return a.start < b.start; });

    for (const LineSpan &span : results.staples) {
        const int first = lineOf(shifted(span.startOffset, false));
        const int lastLine = lineOf(std::max(0, shifted(span.endOffset, true) - 1));
        if (lastLine > first)
            m_staples.push_back({first, lastLine, penColor(span.rule, QPalette::Mid)});
    }
    for (const LineSpan &span : results.foldRanges) {
        const int first = lineOf(shifted(span.startOffset, false));
        const int lastLine = lineOf(std::max(0, shifted(span.endOffset, true) - 1));
        if (lastLine <= first)
            continue;
        // Ranges that start on one line fold as one, as far as the longest of them reaches.
        auto same = std::find_if(m_folds.begin(), m_folds.end(), [&](const Fold &f) { return f.startLine == first; });
        if (same != m_folds.end())
            same->endLine = std::max(same->endLine, lastLine);
        else
            m_folds.push_back({first, lastLine});
    }
    std::sort(m_folds.begin(), m_folds.end(), [](const Fold &a, const Fold &b) { return a.startLine < b.startLine; });
    for (const SeparatorLine &sep : results.separators) {
        int line = sep.line;
        for (const Edit &e : m_edits)
            if (line > e.line)
                line = std::max(e.line, line + e.lineDelta);
        QColor color = penColor(sep.rule, QPalette::Mid);
        if (!(sep.rule && sep.rule->UseCustomPen)) {
            if (const SyntaxFormatDef *def = style(sep.rule ? sep.rule->lexer : nullptr, sep.rule ? sep.rule->styleIndex : -1))
                if (const QColor bg = syntaxColor(def->BgColor, m_memo->palette()); bg.isValid())
                    color = bg;
        }
        m_separators.push_back({line, sep.below, color});
    }
}

QList<QTextLayout::FormatRange> SyntaxPainter::blockFormats(const QTextBlock &block) const
{
    QList<QTextLayout::FormatRange> out;
    if (!m_lexer || !block.isValid())
        return out;
    const SyntaxAnalysis &a = m_analysis.analysis();
    const int blockStart = block.position();
    const int length = block.length() - 1;
    if (length <= 0)
        return out;
    const int blockEnd = blockStart + length;
    const QPalette pal = m_memo->palette();
    const QFont font = m_memo->font();

    const auto &tokens = a.tokens();
    auto first = std::partition_point(tokens.begin(), tokens.end(),
                                      [&](const SyntaxToken &t) { return t.end <= blockStart; });
    std::vector<int> cuts{0, length};
    for (auto it = first; it != tokens.end() && it->start < blockEnd; ++it) {
        cuts.push_back(std::clamp(int(it->start) - blockStart, 0, length));
        cuts.push_back(std::clamp(int(it->end) - blockStart, 0, length));
    }
    std::vector<const CharStyle *> ranges;
    for (const CharStyle &s : m_charStyles) {
        if (s.start >= blockEnd)
            break;
        if (s.end <= blockStart)
            continue;
        ranges.push_back(&s);
        cuts.push_back(std::clamp(s.start - blockStart, 0, length));
        cuts.push_back(std::clamp(s.end - blockStart, 0, length));
    }
    std::vector<const SyntaxFormatDef *> lineColours;
    const int line = block.blockNumber();
    for (const LineStyle &s : m_lineStyles)
        if (s.style->FormatType != ftBackGround && line >= s.firstLine && line <= s.lastLine)
            lineColours.push_back(s.style);
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

    const SyntaxFormatDef *defaultStyle = style(m_lexer, m_lexer->defaultStyleIndex());
    auto token = first;
    for (size_t i = 0; i + 1 < cuts.size(); ++i) {
        const int from = cuts[i], to = cuts[i + 1];
        const int at = blockStart + from;
        while (token != tokens.end() && token->end <= at)
            ++token;
        const SyntaxFormatDef *tokenStyle = defaultStyle;
        if (token != tokens.end() && token->start <= at)
            tokenStyle = a.tokenStyle(*token);
        QTextCharFormat f;
        if (defaultStyle)
            applySyntaxStyle(f, *defaultStyle, pal, font);
        if (tokenStyle && tokenStyle != defaultStyle)
            applySyntaxStyle(f, *tokenStyle, pal, font);
        for (const SyntaxFormatDef *s : lineColours)
            if (const QColor fg = syntaxColor(s->FontColor, pal); fg.isValid())
                f.setForeground(fg);
        for (const CharStyle *s : ranges)
            if (s->start <= at && s->end > at)
                applySyntaxStyle(f, *s->style, pal, font);
        if (!out.isEmpty() && out.back().format == f && out.back().start + out.back().length == from)
            out.back().length += to - from;
        else
            out.append({from, to - from, f});
    }
    return out;
}

QColor SyntaxPainter::lineBackground(const QTextBlock &block) const
{
    QColor bg;
    const int line = block.blockNumber();
    for (const LineStyle &s : m_lineStyles)
        if (line >= s.firstLine && line <= s.lastLine)
            if (const QColor c = syntaxColor(s.style->BgColor, m_memo->palette()); c.isValid())
                bg = c; // the innermost range comes last
    return bg;
}

std::vector<SyntaxPainter::VisibleBlock> SyntaxPainter::visibleBlocks() const
{
    std::vector<VisibleBlock> out;
    const int height = m_memo->viewport()->height();
    const QPointF offset = m_memo->contentOffset();
    for (QTextBlock b = m_memo->firstVisibleBlock(); b.isValid(); b = b.next()) {
        if (!b.isVisible())
            continue;
        const QRectF r = m_memo->blockBoundingGeometry(b).translated(offset);
        if (r.top() > height)
            break;
        out.push_back({b.blockNumber(), b.position(), r});
    }
    return out;
}

void SyntaxPainter::prepare()
{
    rebuildView();
    QTextDocument *doc = m_memo->document();
    const std::vector<VisibleBlock> visible = visibleBlocks();
    if (visible.empty())
        return;
    const QTextBlock lastBlock = doc->findBlockByNumber(visible.back().number);
    m_visibleEnd = lastBlock.position() + lastBlock.length();
    if (m_lexer) {
        m_preparing = true;
        m_analysis.ensureAnalyzed(m_visibleEnd);
        m_preparing = false;
        m_lastAnalyzed = m_analysis.analysis().analyzedUpTo();
    }
    int dirtyFrom = -1, dirtyTo = -1;
    m_restyling = true;
    for (const VisibleBlock &v : visible) {
        QTextBlock b = doc->findBlockByNumber(v.number);
        QTextLayout *layout = b.layout();
        QList<QTextLayout::FormatRange> formats = blockFormats(b);
        if (formats == layout->formats())
            continue;
        layout->setFormats(formats);
        if (dirtyFrom < 0)
            dirtyFrom = b.position();
        dirtyTo = b.position() + b.length();
    }
    if (dirtyFrom >= 0)
        doc->markContentsDirty(dirtyFrom, dirtyTo - dirtyFrom);
    m_restyling = false;
}

void SyntaxPainter::paintBackground(QPainter &painter, const QRect &area)
{
    if (m_lineStyles.empty())
        return;
    const qreal width = m_memo->viewport()->width();
    for (const VisibleBlock &v : visibleBlocks()) {
        if (v.rect.bottom() < area.top() || v.rect.top() > area.bottom())
            continue;
        const QColor bg = lineBackground(m_memo->document()->findBlockByNumber(v.number));
        if (bg.isValid())
            painter.fillRect(QRectF(0, v.rect.top(), width, v.rect.height()), bg);
    }
}

void SyntaxPainter::paintOverlay(QPainter &painter, const QRect &area)
{
    Q_UNUSED(area);
    const std::vector<VisibleBlock> visible = visibleBlocks();
    if (visible.empty())
        return;
    const QPalette pal = m_memo->palette();
    const qreal width = m_memo->viewport()->width();
    const QTextDocument *doc = m_memo->document();
    painter.setRenderHint(QPainter::Antialiasing, false);

    // Frames of line highlights: one box around the lines, or one per line.
    for (const LineStyle &s : m_lineStyles) {
        if (!hasBorder(*s.style))
            continue;
        for (const VisibleBlock &v : visible) {
            if (v.number < s.firstLine || v.number > s.lastLine)
                continue;
            const bool one = s.style->MultiLineBorder;
            drawBox(painter, QRectF(0, v.rect.top(), width, v.rect.height()), *s.style, pal,
                    !one || v.number == s.firstLine, !one || v.number == s.lastLine);
        }
    }
    // Borders of character ranges, on each visible line they cover.
    const qreal xOffset = m_memo->contentOffset().x();
    for (const CharStyle &s : m_charStyles) {
        if (!hasBorder(*s.style))
            continue;
        for (const VisibleBlock &v : visible) {
            const QTextBlock b = doc->findBlockByNumber(v.number);
            const int from = std::max(s.start, v.position) - v.position;
            const int to = std::min(s.end, v.position + b.length() - 1) - v.position;
            if (to <= from || !b.layout() || b.layout()->lineCount() == 0)
                continue;
            const QTextLine line = b.layout()->lineForTextPosition(from);
            if (!line.isValid())
                continue;
            const qreal x1 = line.cursorToX(from) + xOffset, x2 = line.cursorToX(to) + xOffset;
            const QRectF box(x1, v.rect.top() + line.y(), x2 - x1, line.height());
            const bool one = s.style->MultiLineBorder;
            drawBox(painter, box, *s.style, pal, !one || s.start >= v.position,
                    !one || s.end <= v.position + b.length() - 1);
        }
    }
    // Staples: a bracket left of the range's first line, down to its last visible line.
    const qreal charWidth = QFontMetricsF(m_memo->font()).horizontalAdvance(QLatin1Char(' '));
    for (const Staple &s : m_staples) {
        const VisibleBlock *top = nullptr, *bottom = nullptr;
        for (const VisibleBlock &v : visible) {
            if (v.number < s.firstLine || v.number > s.lastLine)
                continue;
            if (!top)
                top = &v;
            bottom = &v;
        }
        if (!top || (top == bottom && top->number == s.firstLine && !doc->findBlockByNumber(s.firstLine + 1).isVisible()))
            continue;
        const QTextBlock first = doc->findBlockByNumber(s.firstLine);
        const QString text = first.text();
        int indent = 0;
        while (indent < text.size() && text.at(indent).isSpace())
            ++indent;
        const qreal x = std::max<qreal>(1.5, xOffset + doc->documentMargin() + indent * charWidth - 3.5);
        QPen pen(s.color);
        pen.setWidth(1);
        painter.setPen(pen);
        const qreal y1 = top->rect.top() + 2, y2 = bottom->rect.bottom() - 2;
        painter.drawLine(QPointF(x, y1), QPointF(x, y2));
        if (top->number == s.firstLine)
            painter.drawLine(QPointF(x, y1), QPointF(x + 3, y1));
        if (bottom->number == s.lastLine)
            painter.drawLine(QPointF(x, y2), QPointF(x + 3, y2));
    }
    for (const Separator &s : m_separators) {
        for (const VisibleBlock &v : visible) {
            if (v.number != s.line)
                continue;
            painter.setPen(s.color);
            const qreal y = s.below ? v.rect.bottom() - 0.5 : v.rect.top() + 0.5;
            painter.drawLine(QPointF(0, y), QPointF(width, y));
        }
    }
}

const std::vector<SyntaxPainter::Fold> &SyntaxPainter::folds()
{
    rebuildView();
    return m_folds;
}

bool SyntaxPainter::isFolded(int startLine) const
{
    return std::any_of(m_foldAnchors.begin(), m_foldAnchors.end(),
                       [&](const QTextCursor &a) { return a.blockNumber() == startLine; });
}

bool SyntaxPainter::toggleFold(int startLine)
{
    rebuildView();
    const bool foldable = std::any_of(m_folds.begin(), m_folds.end(), [&](const Fold &f) { return f.startLine == startLine; });
    if (!foldable)
        return false;
    if (isFolded(startLine)) {
        std::erase_if(m_foldAnchors, [&](const QTextCursor &a) { return a.blockNumber() == startLine; });
    } else {
        QTextCursor anchor(m_memo->document()->findBlockByNumber(startLine));
        m_foldAnchors.push_back(anchor);
    }
    applyFolding();
    emit foldsChanged();
    return true;
}

void SyntaxPainter::applyFolding()
{
    QTextDocument *doc = m_memo->document();
    // A fold whose range is gone (edited away, or another lexer) opens again.
    std::erase_if(m_foldAnchors, [&](const QTextCursor &a) {
        const int start = a.blockNumber();
        return std::none_of(m_folds.begin(), m_folds.end(), [&](const Fold &f) { return f.startLine == start; });
    });
    // Nothing folded now or before: no need to walk the blocks of a long text.
    if (m_foldAnchors.empty() && !m_anyHidden)
        return;
    m_anyHidden = !m_foldAnchors.empty();
    std::vector<std::pair<int, int>> hidden;
    for (const QTextCursor &a : m_foldAnchors)
        for (const Fold &f : m_folds)
            if (f.startLine == a.blockNumber())
                hidden.emplace_back(f.startLine + 1, f.endLine);
    std::sort(hidden.begin(), hidden.end());

    int dirtyFrom = -1, dirtyTo = -1;
    size_t h = 0;
    for (QTextBlock b = doc->firstBlock(); b.isValid(); b = b.next()) {
        const int n = b.blockNumber();
        while (h < hidden.size() && hidden[h].second < n)
            ++h;
        bool hide = false;
        for (size_t i = h; i < hidden.size() && hidden[i].first <= n; ++i)
            hide = hide || n <= hidden[i].second;
        if (b.isVisible() == !hide)
            continue;
        b.setVisible(!hide);
        if (dirtyFrom < 0)
            dirtyFrom = b.position();
        dirtyTo = b.position() + b.length();
    }
    if (dirtyFrom < 0)
        return;
    m_restyling = true;
    doc->markContentsDirty(dirtyFrom, dirtyTo - dirtyFrom);
    m_restyling = false;
    m_memo->viewport()->update();
    // A caret left inside a folded range moves to the range's first line.
    QTextCursor c = m_memo->textCursor();
    if (!c.block().isVisible()) {
        QTextBlock b = c.block();
        while (b.isValid() && !b.isVisible())
            b = b.previous();
        if (b.isValid()) {
            c.setPosition(b.position());
            m_memo->setTextCursor(c);
        }
    }
}

int SyntaxPainter::lineAt(int y) const
{
    for (const VisibleBlock &v : visibleBlocks())
        if (y >= v.rect.top() && y < v.rect.bottom())
            return v.number;
    return -1;
}

void SyntaxPainter::paintGutter(QPainter &painter, int width)
{
    rebuildView();
    if (m_folds.empty())
        return;
    const QPalette pal = m_memo->palette();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const int box = std::min(9, width - 3);
    for (const VisibleBlock &v : visibleBlocks()) {
        const bool starts = std::any_of(m_folds.begin(), m_folds.end(), [&](const Fold &f) { return f.startLine == v.number; });
        if (!starts)
            continue;
        const QTextBlock b = m_memo->document()->findBlockByNumber(v.number);
        const qreal lineHeight = b.layout() && b.layout()->lineCount() ? b.layout()->lineAt(0).height() : v.rect.height();
        const QRect r(int((width - box) / 2), int(v.rect.top() + (lineHeight - box) / 2), box, box);
        painter.fillRect(r, pal.color(QPalette::Base));
        painter.setPen(pal.color(QPalette::Dark));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        painter.setPen(pal.color(QPalette::Text));
        const int cy = r.top() + box / 2, cx = r.left() + box / 2;
        painter.drawLine(r.left() + 2, cy, r.right() - 2, cy);
        if (isFolded(v.number))
            painter.drawLine(cx, r.top() + 2, cx, r.bottom() - 2);
    }
}
