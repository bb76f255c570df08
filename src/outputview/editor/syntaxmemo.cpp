#include "syntaxmemo.h"

#include "columnruler.h"
#include "finddialog.h"
#include "foldgutter.h"
#include "gotolinedialog.h"
#include "incrementalsearchbar.h"
#include "replacedialog.h"
#include "syntaxmanager.h"
#include "syntaxpainter.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QToolTip>

namespace {

struct CommandInfo {
    const char *text;
    QList<QKeySequence> keys;
    bool nativeKeys; // QPlainTextEdit already handles these keys itself
};

const CommandInfo &commandInfo(SyntaxMemo::Command command)
{
    static const std::array<CommandInfo, SyntaxMemo::CommandCount> info{{
        {"&Undo", {QKeySequence(Qt::CTRL | Qt::Key_Z)}, true},
        {"&Redo", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}, true},
        {"Cu&t", {QKeySequence(Qt::CTRL | Qt::Key_X)}, true},
        {"&Copy", {QKeySequence(Qt::CTRL | Qt::Key_C)}, true},
        {"&Paste", {QKeySequence(Qt::CTRL | Qt::Key_V)}, true},
        {"&Delete", {QKeySequence(Qt::CTRL | Qt::Key_Delete)}, false},
        {"Select &All", {QKeySequence(Qt::CTRL | Qt::Key_A)}, true},
        {"&Indent", {QKeySequence(Qt::CTRL | Qt::Key_Tab)}, false},
        // X11 reports Shift+Tab as Backtab, with or without the Shift modifier.
        {"&Unindent",
         {QKeySequence(Qt::SHIFT | Qt::Key_Tab), QKeySequence(Qt::SHIFT | Qt::Key_Backtab),
          QKeySequence(Qt::Key_Backtab)},
         false},
        {"&Find...", {QKeySequence(Qt::CTRL | Qt::Key_F)}, false},
        {"Search Again", {QKeySequence(Qt::Key_F3)}, false},
        {"&Replace ...", {QKeySequence(Qt::CTRL | Qt::Key_R)}, false},
        {"Incremental Search", {QKeySequence(Qt::CTRL | Qt::Key_E)}, false},
        {"Find Current Word Next", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Down)}, false},
        {"Find Current Word Prior", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Up)}, false},
        {"Go to Line Number", {QKeySequence(Qt::ALT | Qt::Key_G)}, false},
    }};
    return info[command];
}

QTextDocument::FindFlags findFlags(const SearchRequest &request)
{
    QTextDocument::FindFlags flags;
    if (request.caseSensitive)
        flags |= QTextDocument::FindCaseSensitively;
    if (request.wholeWords)
        flags |= QTextDocument::FindWholeWords;
    if (request.backwards)
        flags |= QTextDocument::FindBackward;
    return flags;
}

} // namespace

SyntaxMemo::SyntaxMemo(QWidget *parent) : QPlainTextEdit(parent)
{
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(13);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    setFont(font);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabStopDistance(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * 8);

    m_painter = new SyntaxPainter(this);
    m_gutter = new FoldGutter(m_painter, this);
    m_ruler = new ColumnRuler(this);
    m_incrementalSearch = new IncrementalSearchBar(this);
    layoutRuler();
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect &rect, int dy) {
        if (dy != 0)
            m_gutter->update();
        else
            m_gutter->update(0, rect.y(), m_gutter->width(), rect.height());
    });

    createActions();
    connect(document(), &QTextDocument::contentsChanged, this, [this] {
        if (!m_settingText && !m_painter->isRestyling())
            m_shownValid = false;
    });
    connect(this, &QPlainTextEdit::undoAvailable, this, [this](bool on) {
        m_undoAvailable = on;
        updateActions();
    });
    connect(this, &QPlainTextEdit::redoAvailable, this, [this](bool on) {
        m_redoAvailable = on;
        updateActions();
    });
    connect(this, &QPlainTextEdit::selectionChanged, this, &SyntaxMemo::updateActions);
    connect(this, &QPlainTextEdit::textChanged, this, &SyntaxMemo::updateActions);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        m_ruler->update();
        updateActions();
    });
    // Asked once per clipboard change: asking an X11 clipboard owner is a round trip.
    const auto readClipboard = [this] {
        const QMimeData *data = QApplication::clipboard()->mimeData();
        m_clipboardHasText = data && data->hasText();
        updateActions();
    };
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, readClipboard);
    readClipboard();
}

SyntaxMemo::~SyntaxMemo() = default;

void SyntaxMemo::createActions()
{
    for (int i = 0; i < CommandCount; ++i) {
        const auto command = static_cast<Command>(i);
        const CommandInfo &info = commandInfo(command);
        auto *action = new QAction(QString::fromLatin1(info.text), this);
        action->setShortcuts(info.keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, [this, command] { run(command); });
        // Keys the base editor handles stay with it; an active action would make them ambiguous.
        if (!info.nativeKeys)
            addAction(action);
        m_actions[command] = action;
    }
}

bool SyntaxMemo::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        // Let our own command keys reach their actions instead of the base editor's bindings
        // (Ctrl+Del would otherwise delete a word, Shift+Tab move the focus).
        auto *key = static_cast<QKeyEvent *>(event);
        const QKeySequence pressed(key->keyCombination());
        for (int i = 0; i < CommandCount; ++i) {
            const CommandInfo &info = commandInfo(static_cast<Command>(i));
            if (!info.nativeKeys && m_actions[i]->isEnabled() && info.keys.contains(pressed)) {
                event->ignore();
                return false;
            }
        }
    }
    return QPlainTextEdit::event(event);
}

void SyntaxMemo::updateActions()
{
    for (int i = 0; i < CommandCount; ++i)
        m_actions[i]->setEnabled(canRun(static_cast<Command>(i)));
    emit commandStateChanged();
}

bool SyntaxMemo::canRun(Command command) const
{
    const bool editable = !isReadOnly();
    const bool hasText = !document()->isEmpty();
    const bool hasSelection = textCursor().hasSelection();
    switch (command) {
    case Undo:
        return editable && m_undoAvailable;
    case Redo:
        return editable && m_redoAvailable;
    case Cut:
    case Delete:
        return editable && hasSelection;
    case Copy:
        return hasSelection;
    case Paste:
        return editable && m_clipboardHasText;
    case SelectAll:
    case Find:
    case IncrementalSearch:
    case GoToLine:
        return hasText;
    case Indent:
    case Unindent:
        return editable;
    case Replace:
        return editable && hasText;
    case FindAgain:
        return hasText && !m_lastSearch.text.isEmpty();
    case FindWordNext:
    case FindWordPrior:
        return !wordAtCursor().isEmpty();
    case CommandCount:
        break;
    }
    return false;
}

void SyntaxMemo::run(Command command)
{
    if (!canRun(command))
        return;
    switch (command) {
    case Undo:
        undo();
        break;
    case Redo:
        redo();
        break;
    case Cut:
        cut();
        break;
    case Copy:
        copy();
        break;
    case Paste:
        paste();
        break;
    case Delete:
        deleteSelection();
        break;
    case SelectAll:
        selectAll();
        break;
    case Indent:
        indentSelection(true);
        break;
    case Unindent:
        indentSelection(false);
        break;
    case Find:
        showFindDialog();
        break;
    case FindAgain:
        find(m_lastSearch);
        break;
    case Replace:
        showReplaceDialog();
        break;
    case IncrementalSearch:
        m_incrementalSearch->start();
        break;
    case FindWordNext:
        findCurrentWord(false);
        break;
    case FindWordPrior:
        findCurrentWord(true);
        break;
    case GoToLine:
        showGoToLineDialog();
        break;
    case CommandCount:
        break;
    }
}

// --- line operations -------------------------------------------------------------------------

void SyntaxMemo::beginUpdate()
{
    ++m_updateDepth;
}

void SyntaxMemo::endUpdate()
{
    if (--m_updateDepth > 0 || !m_pendingValid)
        return;
    m_pendingValid = false;
    const QString text = m_pending.join(QLatin1Char('\n'));
    // A new document: the caret goes to the start, and undo starts afresh with the new text.
    m_settingText = true;
    setPlainText(text);
    m_settingText = false;
    // Kept because the text alone cannot tell an empty pane from one empty line.
    m_shown = std::move(m_pending);
    m_shownValid = true;
    m_pending.clear();
}

void SyntaxMemo::clearLines()
{
    beginUpdate();
    m_pending.clear();
    m_pendingValid = true;
    endUpdate();
}

void SyntaxMemo::appendLine(const QString &line)
{
    beginUpdate();
    if (!m_pendingValid) {
        m_pending = lines();
        m_pendingValid = true;
    }
    m_pending.append(line);
    endUpdate();
}

void SyntaxMemo::setLexerByName(const QString &name)
{
    if (m_library)
        m_painter->setLexer(m_library->FindAnalyzer(name));
    if (name == m_lexerName)
        return;
    m_lexerName = name;
    emit lexerChanged(name);
}

void SyntaxMemo::setLexer(SyntAnalyzer *lexer)
{
    m_painter->setLexer(lexer);
}

SyntAnalyzer *SyntaxMemo::lexer() const
{
    return m_painter->lexer();
}

void SyntaxMemo::paintEvent(QPaintEvent *event)
{
    m_painter->prepare();
    {
        QPainter painter(viewport());
        m_painter->paintBackground(painter, event->rect());
    }
    QPlainTextEdit::paintEvent(event);
    QPainter painter(viewport());
    m_painter->paintOverlay(painter, event->rect());
}

QStringList SyntaxMemo::lines() const
{
    if (m_pendingValid)
        return m_pending;
    if (m_shownValid)
        return m_shown;
    QStringList result;
    if (document()->isEmpty())
        return result;
    for (QTextBlock b = document()->firstBlock(); b.isValid(); b = b.next())
        result.append(b.text());
    return result;
}

void SyntaxMemo::setLines(const QStringList &lines)
{
    beginUpdate();
    m_pending = lines;
    m_pendingValid = true;
    endUpdate();
}

void SyntaxMemo::clearAll()
{
    if (m_updateDepth > 0) {
        m_pending.clear();
        m_pendingValid = true;
        return;
    }
    m_settingText = true;
    clear();
    m_settingText = false;
    m_shown.clear();
    m_shownValid = true;
    setTextCursor(QTextCursor(document()));
}

// --- editing commands ------------------------------------------------------------------------

void SyntaxMemo::deleteSelection()
{
    QTextCursor c = textCursor();
    c.removeSelectedText();
    setTextCursor(c);
}

void SyntaxMemo::indentSelection(bool indent)
{
    static const QString unit = QStringLiteral("  ");
    QTextCursor c = textCursor();
    const bool hadSelection = c.hasSelection();
    QTextBlock first = document()->findBlock(c.selectionStart());
    QTextBlock last = document()->findBlock(c.selectionEnd());
    // A selection that ends at the start of a line does not take that line along.
    if (hadSelection && last != first && c.selectionEnd() == last.position())
        last = last.previous();

    c.beginEditBlock();
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        QTextCursor line(b);
        if (indent) {
            line.insertText(unit);
        } else {
            const QString text = b.text();
            int remove = 0;
            if (text.startsWith(QLatin1Char('\t')))
                remove = 1;
            else
                while (remove < unit.size() && remove < text.size() && text[remove] == QLatin1Char(' '))
                    ++remove;
            line.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, remove);
            line.removeSelectedText();
        }
        if (b == last)
            break;
    }
    c.endEditBlock();

    if (hadSelection) {
        QTextCursor selection(document());
        selection.setPosition(first.position());
        selection.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
        setTextCursor(selection);
    }
}

bool SyntaxMemo::find(const SearchRequest &request)
{
    m_lastSearch = request;
    if (request.text.isEmpty())
        return false;
    const QTextDocument::FindFlags flags = findFlags(request);
    QTextCursor found = document()->find(request.text, textCursor(), flags);
    if (found.isNull()) {
        QTextCursor wrap(document());
        if (request.backwards)
            wrap.movePosition(QTextCursor::End);
        found = document()->find(request.text, wrap, flags);
    }
    if (found.isNull()) {
        notFound(request.text);
        updateActions();
        return false;
    }
    setTextCursor(found);
    ensureCursorVisible();
    updateActions();
    return true;
}

bool SyntaxMemo::replaceNext(const SearchRequest &request)
{
    m_lastSearch = request;
    QTextCursor c = textCursor();
    if (c.hasSelection()) {
        const Qt::CaseSensitivity cs = request.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
        if (QString::compare(c.selectedText(), request.text, cs) == 0) {
            c.insertText(request.replacement);
            setTextCursor(c);
        }
    }
    return find(request);
}

int SyntaxMemo::replaceAll(const SearchRequest &request)
{
    m_lastSearch = request;
    if (request.text.isEmpty())
        return 0;
    QTextDocument::FindFlags flags = findFlags(request);
    flags &= ~QTextDocument::FindFlags(QTextDocument::FindBackward);
    int count = 0;
    QTextCursor edit(document());
    edit.beginEditBlock();
    QTextCursor from(document());
    for (;;) {
        QTextCursor found = document()->find(request.text, from, flags);
        if (found.isNull())
            break;
        found.insertText(request.replacement);
        from = found; // continues after the inserted text, so a replacement never matches again
        ++count;
    }
    edit.endEditBlock();
    if (count == 0)
        notFound(request.text);
    return count;
}

bool SyntaxMemo::goToLine(int lineNumber)
{
    const QTextBlock block = document()->findBlockByNumber(lineNumber - 1);
    if (lineNumber < 1 || !block.isValid())
        return false;
    setTextCursor(QTextCursor(block));
    centerCursor();
    return true;
}

QString SyntaxMemo::wordAtCursor() const
{
    QTextCursor c = textCursor();
    if (c.hasSelection()) {
        const QString selected = c.selectedText();
        // Only a selection within one line serves as the word.
        return selected.contains(QChar::ParagraphSeparator) ? QString() : selected;
    }
    c.select(QTextCursor::WordUnderCursor);
    const QString word = c.selectedText();
    return word.trimmed().isEmpty() ? QString() : word;
}

void SyntaxMemo::findCurrentWord(bool backwards)
{
    const QString word = wordAtCursor();
    QTextCursor c = textCursor();
    if (!c.hasSelection()) {
        // Start from the word itself, so the search moves on to the next occurrence.
        c.select(QTextCursor::WordUnderCursor);
        setTextCursor(c);
    }
    SearchRequest request;
    request.text = word;
    request.caseSensitive = true;
    request.wholeWords = true;
    request.backwards = backwards;
    find(request);
}

void SyntaxMemo::notFound(const QString &text)
{
    const QPoint at = viewport()->mapToGlobal(cursorRect().bottomLeft());
    QToolTip::showText(at, QStringLiteral("Search string \"%1\" not found").arg(text), this);
}

void SyntaxMemo::showFindDialog()
{
    SearchRequest initial = m_lastSearch;
    const QString word = wordAtCursor();
    if (!word.isEmpty())
        initial.text = word;
    FindDialog dialog(initial, this);
    if (dialog.exec() == QDialog::Accepted)
        find(dialog.request());
}

void SyntaxMemo::showReplaceDialog()
{
    SearchRequest initial = m_lastSearch;
    const QString word = wordAtCursor();
    if (!word.isEmpty())
        initial.text = word;
    ReplaceDialog dialog(initial, this);
    connect(&dialog, &ReplaceDialog::findNextRequested, this, [this](const SearchRequest &r) { find(r); });
    connect(&dialog, &ReplaceDialog::replaceRequested, this, [this](const SearchRequest &r) { replaceNext(r); });
    connect(&dialog, &ReplaceDialog::replaceAllRequested, this, [this](const SearchRequest &r) { replaceAll(r); });
    dialog.exec();
}

void SyntaxMemo::showGoToLineDialog()
{
    GoToLineDialog dialog(textCursor().blockNumber() + 1, document()->blockCount(), this);
    if (dialog.exec() == QDialog::Accepted)
        goToLine(dialog.lineNumber());
}

// --- ruler -----------------------------------------------------------------------------------

void SyntaxMemo::layoutRuler()
{
    const int h = m_ruler->preferredHeight();
    const int g = FoldGutter::Width;
    setViewportMargins(g, h, 0, 0);
    const QRect r = contentsRect();
    m_ruler->setGeometry(r.left() + g, r.top(), r.width() - g, h);
    m_gutter->setGeometry(r.left(), r.top() + h, g, r.height() - h);
    m_incrementalSearch->place();
}

void SyntaxMemo::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    layoutRuler();
}

void SyntaxMemo::scrollContentsBy(int dx, int dy)
{
    QPlainTextEdit::scrollContentsBy(dx, dy);
    if (dx != 0)
        m_ruler->update();
}

void SyntaxMemo::changeEvent(QEvent *event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange && m_ruler) {
        layoutRuler();
        m_ruler->update();
    } else if (event->type() == QEvent::ReadOnlyChange) {
        updateActions();
    }
}
