#pragma once

#include "backgroundanalysis.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QPalette>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextLayout>
#include <vector>

class QPainter;
class QTextBlock;
class QTextDocument;
class SyntaxMemo;

// The colour a definition names, with desktop colours taken from the palette; invalid for none.
QColor syntaxColor(const SyntaxColor &color, const QPalette &palette);
// Lays a style over `format` as its format type and flags allow.
void applySyntaxStyle(QTextCharFormat &format, const SyntaxFormatDef &style, const QPalette &palette,
                      const QFont &editorFont);
// Whether the user may not edit text in this style; its format type and flags must allow it, as
// they must for Hidden.
bool isReadOnlyStyle(const SyntaxFormatDef &style);

// Paints an editor from the analysis of its text: token and range styles become the layout
// formats of the visible blocks only (so an edit never re-lays out the whole document), line
// highlights go under the text, borders, staples and separators over it, and closed ranges fold
// by hiding their blocks.
class SyntaxPainter : public QObject {
    Q_OBJECT
public:
    struct Fold {
        int startLine = 0; // block numbers; the start line stays visible when folded
        int endLine = 0;
    };

    explicit SyntaxPainter(SyntaxMemo *memo);
    ~SyntaxPainter() override;

    // The lexer in force (none: plain text). Setting another one starts a new analysis.
    void setLexer(SyntAnalyzer *lexer);
    SyntAnalyzer *lexer() const { return m_lexer; }
    const BackgroundAnalysis &analysis() const { return m_analysis; }
    BackgroundAnalysis &analysis() { return m_analysis; }

    // The document's text as the analysis sees it: paragraph breaks become LF, so an offset in the
    // analysis is a position in the document.
    static QString analysisText(const QTextDocument *document);

    // The layout formats of one block from the analysis as far as it has got.
    QList<QTextLayout::FormatRange> blockFormats(const QTextBlock &block) const;
    // The line-highlight colour under a block; invalid when none.
    QColor lineBackground(const QTextBlock &block) const;

    // Whether replacing the characters [from, to) of the current text (inserting at `from` when the
    // range is empty) would change or split a token whose style is read-only. The text around the
    // range is analysed first, so the answer does not depend on how far the idle scan has got.
    bool touchesReadOnly(int from, int to);

    // True while the painter itself marks blocks dirty (formats, folding): not a text change.
    bool isRestyling() const { return m_restyling; }

    // Painting hooks of the editor's paint event, in this order.
    void prepare();
    void paintBackground(QPainter &painter, const QRect &area);
    void paintOverlay(QPainter &painter, const QRect &area);

    // Folding of closed ranges that allow it.
    const std::vector<Fold> &folds();
    bool isFolded(int startLine) const;
    // Folds or unfolds the range that starts on that block; false when none does.
    bool toggleFold(int startLine);
    void paintGutter(QPainter &painter, int width);
    // The block number under a viewport y coordinate, or -1.
    int lineAt(int y) const;

signals:
    void foldsChanged();

private:
    struct Edit {
        int pos, removed, added;
        int line, lineDelta;
    };
    struct CharStyle {
        int start, end;
        const SyntaxFormatDef *style;
    };
    struct LineStyle {
        int firstLine, lastLine;
        const SyntaxFormatDef *style;
    };
    struct Staple {
        int firstLine, lastLine;
        QColor color;
    };
    struct Separator {
        int line;
        bool below;
        QColor color;
    };
    struct VisibleBlock {
        int number;
        int position;
        QRectF rect;
    };

    void onContentsChange(int pos, int removed, int added);
    void onTokensChanged();
    void onResultsChanged();
    void onCaretMoved();
    void resetText();
    int shifted(int offset, bool isEnd) const;
    void rebuildView();
    const SyntaxFormatDef *style(const SyntAnalyzer *lexer, int index) const;
    std::vector<VisibleBlock> visibleBlocks() const;
    void applyFolding();
    std::vector<char> caretSignature() const;
    QColor penColor(const BlockRule *rule, QPalette::ColorRole fallback) const;

    SyntaxMemo *m_memo;
    BackgroundAnalysis m_analysis;
    SyntAnalyzer *m_lexer = nullptr;
    int m_textLength = 0;
    int m_blockCount = 1;

    bool m_resultsValid = false;
    std::vector<Edit> m_edits; // edits since the text the results were made for
    bool m_viewDirty = true;
    std::vector<RangeStyle> m_rangeStyles; // shifted to the current text
    std::vector<CharStyle> m_charStyles;   // shown for the caret
    std::vector<LineStyle> m_lineStyles;   // shown for the caret
    std::vector<Staple> m_staples;
    std::vector<Separator> m_separators;
    std::vector<Fold> m_folds;
    std::vector<char> m_caretShown;

    std::vector<QTextCursor> m_foldAnchors; // start of each folded range's first block
    bool m_anyHidden = false;
    bool m_restyling = false;
    bool m_preparing = false;
    int m_visibleEnd = 0;
    int m_lastAnalyzed = 0;
    QMetaObject::Connection m_lexerGone;
};
