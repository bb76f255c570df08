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
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolTip>
#include <vector>

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

// Whether the base editor takes a key as text to type (it does not for control keys).
bool typesText(const QKeyEvent *event)
{
    const QString text = event->text();
    if (text.isEmpty())
        return false;
    const QChar c = text.front();
    if (c.category() == QChar::Other_Format)
        return true;
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods == Qt::ControlModifier || mods == (Qt::ShiftModifier | Qt::ControlModifier))
        return false;
    return c.isPrint() || c.category() == QChar::Other_PrivateUse || c == QLatin1Char('\t') ||
           (c.isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate());
}

// Whether pasting or dropping this data would insert anything.
bool insertsText(const QMimeData *source)
{
    return source && (!source->text().isEmpty() || source->hasFormat(QStringLiteral("text/markdown")));
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
        if (allowEdit(textCursor().selectionStart(), textCursor().selectionEnd()))
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
    if (!allowEdit(c.selectionStart(), c.selectionEnd()))
        return;
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

    // What goes from the start of each line; all lines are checked before any changes.
    std::vector<int> removals;
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        int remove = 0;
        if (!indent) {
            const QString text = b.text();
            if (text.startsWith(QLatin1Char('\t')))
                remove = 1;
            else
                while (remove < unit.size() && remove < text.size() && text[remove] == QLatin1Char(' '))
                    ++remove;
        }
        removals.push_back(remove);
        if ((indent || remove > 0) && !mayEdit(b.position(), b.position() + remove)) {
            QApplication::beep();
            return;
        }
        if (b == last)
            break;
    }

    c.beginEditBlock();
    QTextBlock b = first;
    for (const int remove : removals) {
        QTextCursor line(b);
        if (indent) {
            line.insertText(unit);
        } else {
            line.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, remove);
            line.removeSelectedText();
        }
        b = b.next();
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
            if (!allowEdit(c.selectionStart(), c.selectionEnd()))
                return false;
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
    // The matches in the text as it stands, so each is judged against the text before any change
    // and a replacement never matches again.
    std::vector<std::pair<int, int>> matches;
    bool skipped = false;
    for (QTextCursor from(document());;) {
        from = document()->find(request.text, from, flags);
        if (from.isNull())
            break;
        if (mayEdit(from.selectionStart(), from.selectionEnd()))
            matches.emplace_back(from.selectionStart(), from.selectionEnd());
        else
            skipped = true;
    }
    // From the last match back, so the positions of the ones before stay valid.
    QTextCursor edit(document());
    edit.beginEditBlock();
    for (auto m = matches.rbegin(); m != matches.rend(); ++m) {
        edit.setPosition(m->first);
        edit.setPosition(m->second, QTextCursor::KeepAnchor);
        edit.insertText(request.replacement);
    }
    edit.endEditBlock();
    if (skipped)
        QApplication::beep();
    else if (matches.empty())
        notFound(request.text);
    return int(matches.size());
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

// --- read-only text --------------------------------------------------------------------------
// User edits are judged against the analysis of the text before them; the line operations and
// setPlainText replace the text without asking.

bool SyntaxMemo::mayEdit(int from, int to) const
{
    return !m_painter->touchesReadOnly(from, to);
}

bool SyntaxMemo::mayEditSelection() const
{
    const QTextCursor c = textCursor();
    return mayEdit(c.selectionStart(), c.selectionEnd());
}

bool SyntaxMemo::allowEdit(int from, int to)
{
    if (mayEdit(from, to))
        return true;
    QApplication::beep();
    return false;
}

std::optional<std::pair<int, int>> SyntaxMemo::keyEditRange(const QKeyEvent *event) const
{
    // The base editor's key handling, in its order, down to the range each key would replace.
    QTextCursor c = textCursor();
    const auto range = [&c]() -> std::optional<std::pair<int, int>> {
        return std::pair(c.selectionStart(), c.selectionEnd());
    };
    const auto removal = [&c, &range](QTextCursor::MoveOperation extend) -> std::optional<std::pair<int, int>> {
        if (!c.hasSelection())
            c.movePosition(extend, QTextCursor::KeepAnchor);
        if (!c.hasSelection())
            return std::nullopt;
        return range();
    };
    const bool plainBackspace = event->key() == Qt::Key_Backspace &&
                                !(event->modifiers() & ~(Qt::ShiftModifier | Qt::GroupSwitchModifier));
    if (plainBackspace || event->matches(QKeySequence::Backspace)) {
        if (c.hasSelection())
            return range();
        // One code point back, a surrogate pair as a whole.
        const int at = c.position();
        if (at == 0)
            return std::nullopt;
        const QTextDocument *doc = document();
        const bool pair = at >= 2 && doc->characterAt(at - 1).isLowSurrogate() &&
                          doc->characterAt(at - 2).isHighSurrogate();
        return std::pair(at - (pair ? 2 : 1), at);
    }
    if (event->matches(QKeySequence::InsertParagraphSeparator) || event->matches(QKeySequence::InsertLineSeparator))
        return range();
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo))
        return std::nullopt;
    if (event->matches(QKeySequence::Cut))
        return c.hasSelection() ? range() : std::nullopt;
    if (event->matches(QKeySequence::Paste))
        return std::nullopt; // insertFromMimeData judges what arrives
    if (event->matches(QKeySequence::Delete))
        return removal(QTextCursor::NextCharacter);
    if (event->matches(QKeySequence::DeleteEndOfWord))
        return removal(QTextCursor::NextWord);
    if (event->matches(QKeySequence::DeleteStartOfWord))
        return removal(QTextCursor::PreviousWord);
    if (event->matches(QKeySequence::DeleteEndOfLine)) {
        const QTextBlock block = c.block();
        c.movePosition(c.position() == block.position() + block.length() - 2 ? QTextCursor::Right
                                                                              : QTextCursor::EndOfBlock,
                       QTextCursor::KeepAnchor);
        return c.hasSelection() ? range() : std::nullopt;
    }
    if (event->matches(QKeySequence::DeleteCompleteLine)) {
        c.movePosition(QTextCursor::StartOfBlock);
        c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        return c.hasSelection() ? range() : std::nullopt;
    }
    if (!typesText(event))
        return std::nullopt;
    if (overwriteMode() && !c.hasSelection() && !c.atBlockEnd())
        c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    return range();
}

void SyntaxMemo::keyPressEvent(QKeyEvent *event)
{
    if (!isReadOnly()) {
        if (const auto edit = keyEditRange(event); edit && !allowEdit(edit->first, edit->second)) {
            event->accept();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void SyntaxMemo::inputMethodEvent(QInputMethodEvent *event)
{
    if (isReadOnly()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    const QTextCursor c = textCursor();
    const QTextLayout *layout = c.block().layout();
    const QString composing = layout ? layout->preeditAreaText() : QString();
    const bool commits = !event->commitString().isEmpty() || event->replacementLength() > 0;
    // Any input removes the selection first; the replacement range counts from the caret after that.
    const bool takesSelection = c.hasSelection() && (commits || event->preeditString() != composing);
    bool allowed = !takesSelection || mayEdit(c.selectionStart(), c.selectionEnd());
    if (allowed && commits) {
        const int removed = takesSelection ? c.selectionEnd() - c.selectionStart() : 0;
        const int caret = takesSelection ? c.selectionStart() : c.position();
        const auto before = [&](int at) { return at <= caret ? at : at + removed; };
        const int from = caret + event->replacementStart();
        allowed = mayEdit(before(from), before(from + event->replacementLength()));
    }
    if (allowed) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QApplication::beep();
    event->accept();
    // The composition still ends or goes on, without touching the text.
    if (!takesSelection) {
        QInputMethodEvent composition(event->preeditString(), event->attributes());
        QPlainTextEdit::inputMethodEvent(&composition);
    }
}

void SyntaxMemo::insertFromMimeData(const QMimeData *source)
{
    // Paste (keys, commands, the middle button) and drops end up here.
    if (!m_dropChecked && !isReadOnly() && insertsText(source) && !mayEditSelection()) {
        QApplication::beep();
        return;
    }
    QPlainTextEdit::insertFromMimeData(source);
}

void SyntaxMemo::dropEvent(QDropEvent *event)
{
    const QMimeData *data = event->mimeData();
    if (!isReadOnly() && insertsText(data)) {
        const int at = cursorForPosition(event->position().toPoint()).position();
        // Text dragged within the editor moves: it goes from the selection, then arrives at the drop.
        const bool moves = event->dropAction() == Qt::MoveAction && event->source() == viewport();
        if ((moves && !mayEditSelection()) || !mayEdit(at, at)) {
            QApplication::beep();
            event->setDropAction(Qt::IgnoreAction);
            event->ignore();
            QDragLeaveEvent leave; // ends the drag state and its drop marker
            QPlainTextEdit::dragLeaveEvent(&leave);
            return;
        }
    }
    m_dropChecked = true;
    QPlainTextEdit::dropEvent(event);
    m_dropChecked = false;
}

void SyntaxMemo::mouseMoveEvent(QMouseEvent *event)
{
    // Dragging the selection to another place moves it, which takes it from here once the drop
    // is done. A selection with read-only text may only be dragged as a copy.
    const Qt::TextInteractionFlags flags = textInteractionFlags();
    const bool copyOnly = (event->buttons() & Qt::LeftButton) && !isReadOnly() && textCursor().hasSelection() &&
                          !mayEditSelection();
    if (copyOnly)
        setTextInteractionFlags(flags & ~Qt::TextEditable);
    QPlainTextEdit::mouseMoveEvent(event);
    if (copyOnly) {
        setTextInteractionFlags(flags);
        updateActions(); // a selection change meanwhile saw a read-only editor
    }
}

void SyntaxMemo::contextMenuEvent(QContextMenuEvent *event)
{
    // The editor's own commands, so cutting and deleting from the menu respect read-only text too.
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (!isReadOnly()) {
        menu->addAction(m_actions[Undo]);
        menu->addAction(m_actions[Redo]);
        menu->addSeparator();
        menu->addAction(m_actions[Cut]);
    }
    menu->addAction(m_actions[Copy]);
    if (!isReadOnly()) {
        menu->addAction(m_actions[Paste]);
        menu->addAction(m_actions[Delete]);
    }
    menu->addSeparator();
    menu->addAction(m_actions[SelectAll]);
    menu->popup(event->globalPos());
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
