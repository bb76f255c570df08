#pragma once

#include "outputsink.h"
#include "searchrequest.h"

#include <QPlainTextEdit>
#include <QStringList>
#include <array>
#include <optional>
#include <utility>

class ColumnRuler;
class FoldGutter;
class IncrementalSearchBar;
class QAction;
class SyntAnalyzer;
class SyntaxManager;
class SyntaxPainter;

// The text editor of the output and error panes: a plain-text editor the user may edit, with the
// line operations generation writes through, a column ruler, a lexer slot and the editing
// commands (search, replace, indent, go to line) with their shortcuts. Text in a read-only syntax
// style is kept from user edits; the line operations and setPlainText still replace it.
class SyntaxMemo : public QPlainTextEdit, public OutputSink {
    Q_OBJECT
public:
    enum Command {
        Undo,
        Redo,
        Cut,
        Copy,
        Paste,
        Delete,
        SelectAll,
        Indent,
        Unindent,
        Find,
        FindAgain,
        Replace,
        IncrementalSearch,
        FindWordNext,
        FindWordPrior,
        GoToLine,
        CommandCount
    };

    explicit SyntaxMemo(QWidget *parent = nullptr);
    ~SyntaxMemo() override;

    // Line operations. Between beginUpdate and endUpdate they collect the lines and the document
    // is replaced once at the end, so a regeneration costs one layout, not one per line.
    void clearLines() override;
    void appendLine(const QString &line) override;
    void setLexerByName(const QString &name) override;
    void beginUpdate();
    void endUpdate();

    QStringList lines() const;
    void setLines(const QStringList &lines);
    // Removes all text and puts the caret at the start of the first line.
    void clearAll();

    // The library lexer in force; highlighting follows lexerChanged.
    QString lexerName() const { return m_lexerName; }
    // setLexerByName finds its lexers in this library; without one the text stays plain.
    void setLexerLibrary(SyntaxManager *library) { m_library = library; }
    // Puts a lexer in force directly (the start-up lexer); none shows plain text.
    void setLexer(SyntAnalyzer *lexer);
    SyntAnalyzer *lexer() const;
    SyntaxPainter *syntaxPainter() const { return m_painter; }

    QAction *action(Command command) const { return m_actions[command]; }
    bool canRun(Command command) const;
    void run(Command command);

    ColumnRuler *columnRuler() const { return m_ruler; }

    // Searches from the caret (wrapping once around the text) and selects the match.
    bool find(const SearchRequest &request);
    // Replaces every match in the text as one undo step, except matches in read-only text; returns
    // how many were replaced.
    int replaceAll(const SearchRequest &request);
    // Replaces the selection when it is a match, then selects the next match. A match in read-only
    // text stays as it is and stays selected.
    bool replaceNext(const SearchRequest &request);
    const SearchRequest &lastSearch() const { return m_lastSearch; }
    void setLastSearch(const SearchRequest &request) { m_lastSearch = request; }
    bool goToLine(int lineNumber);
    QString wordAtCursor() const;

    class UpdateScope {
    public:
        explicit UpdateScope(SyntaxMemo *memo) : m_memo(memo) { m_memo->beginUpdate(); }
        ~UpdateScope() { m_memo->endUpdate(); }
        UpdateScope(const UpdateScope &) = delete;
        UpdateScope &operator=(const UpdateScope &) = delete;

    private:
        SyntaxMemo *m_memo;
    };

signals:
    void lexerChanged(const QString &name);
    // The availability of some command may have changed.
    void commandStateChanged();

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    friend class SyntaxPainter;

    void createActions();
    void updateActions();
    void indentSelection(bool indent);
    void deleteSelection();
    void showFindDialog();
    void showReplaceDialog();
    void showGoToLineDialog();
    void findCurrentWord(bool backwards);
    void notFound(const QString &text);
    void layoutRuler();

    // Read-only text: whether a user edit may replace [from, to) (insert at `from` when empty).
    bool mayEdit(int from, int to) const;
    bool mayEditSelection() const;
    // As mayEdit, and beeps when it may not.
    bool allowEdit(int from, int to);
    // The range a key would replace, inserting or deleting; none for keys that edit nothing here.
    std::optional<std::pair<int, int>> keyEditRange(const QKeyEvent *event) const;

    std::array<QAction *, CommandCount> m_actions{};
    ColumnRuler *m_ruler = nullptr;
    IncrementalSearchBar *m_incrementalSearch = nullptr;
    SyntaxPainter *m_painter = nullptr;
    FoldGutter *m_gutter = nullptr;
    SyntaxManager *m_library = nullptr;
    QString m_lexerName = QStringLiteral("Tessel");
    SearchRequest m_lastSearch;

    int m_updateDepth = 0;
    bool m_pendingValid = false; // m_pending holds the lines to show at endUpdate
    QStringList m_pending;
    bool m_shownValid = false; // m_shown holds the lines of the document as last set
    QStringList m_shown;
    bool m_settingText = false;
    bool m_dropChecked = false; // the drop being handled was let through already
    bool m_undoAvailable = false;
    bool m_redoAvailable = false;
    bool m_clipboardHasText = false;
};
