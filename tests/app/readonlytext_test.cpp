// Text in a read-only syntax style (the hidden title block markers of the Tessel lexer) is kept
// from the user's edits in the editor pane; edits beside it and programmatic text changes go on.
#include "lexerdefinition.h"
#include "replacedialog.h"
#include "syntanalyzer.h"
#include "syntaxmanager.h"
#include "syntaxmemo.h"
#include "syntaxpainter.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace {

// Positions in kText: "starttitleblock" is [6, 21), the closing "endtitleblock" [28, 41); both are
// hidden, read-only tokens. The "title" inside them and on lines 3 and 5 are ordinary text.
const QString kText = QStringLiteral("x = 1\r\nstarttitleblock\r\ntitle\r\nendtitleblock\r\ny = title");
const std::string kShown = "x = 1\nstarttitleblock\ntitle\nendtitleblock\ny = title";
constexpr int kStart = 6, kStartEnd = 21, kEnd = 28;

class ReadOnlyTextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        memo.setLexerLibrary(&library);
        memo.setLexerByName(QStringLiteral("Tessel"));
        memo.resize(600, 300);
        memo.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&memo));
        memo.setFocus();
    }
    // A fresh text, its analysis not started, and the caret or selection from anchor to position.
    void reset(int anchor, int position)
    {
        memo.setPlainText(kText);
        QTextCursor c = memo.textCursor();
        c.setPosition(anchor);
        c.setPosition(position, QTextCursor::KeepAnchor);
        memo.setTextCursor(c);
        QApplication::clipboard()->setText(QStringLiteral("Z"));
    }
    std::string text() const { return memo.toPlainText().toStdString(); }

    SyntaxManager library;
    SyntaxMemo memo;
};

using Edit = std::function<void(SyntaxMemo &)>;

Edit type(const char *text)
{
    return [text](SyntaxMemo &m) { QTest::keyClicks(&m, text); };
}

Edit key(Qt::Key k, Qt::KeyboardModifiers mods = {})
{
    return [k, mods](SyntaxMemo &m) { QTest::keyClick(&m, k, mods); };
}

Edit command(SyntaxMemo::Command c)
{
    return [c](SyntaxMemo &m) { m.run(c); };
}

// An input method committing text at the caret.
Edit commit(const char *text)
{
    return [text](SyntaxMemo &m) {
        QInputMethodEvent event;
        event.setCommitString(QString::fromLatin1(text));
        QApplication::sendEvent(&m, &event);
    };
}

struct EditCase {
    const char *name;
    int anchor, position;
    Edit edit;
    const char *expected; // null: refused, nothing changes
};

TEST_F(ReadOnlyTextTest, UserEditsIntoReadOnlyTokensAreRefusedAndEditsBesideThemGoThrough)
{
    const EditCase cases[] = {
        {"type inside the word", kStart + 5, kStart + 5, type("x"), nullptr},
        {"Return inside the word", kStart + 5, kStart + 5, key(Qt::Key_Return), nullptr},
        {"input method inside the word", kStart + 5, kStart + 5, commit("x"), nullptr},
        {"type inside the closing word", kEnd + 3, kEnd + 3, type("x"), nullptr},
        {"Backspace at its end", kStartEnd, kStartEnd, key(Qt::Key_Backspace), nullptr},
        {"Delete at its start", kStart, kStart, key(Qt::Key_Delete), nullptr},
        {"Ctrl+Backspace at its end", kStartEnd, kStartEnd,
         key(Qt::Key_Backspace, Qt::ControlModifier), nullptr},
        {"Ctrl+Delete at its start", kStart, kStart, key(Qt::Key_Delete, Qt::ControlModifier),
         nullptr},
        {"type over a selection into it", 2, kStart + 4, type("x"), nullptr},
        {"Ctrl+X on a selection out of it", kStart + 4, kStartEnd + 3,
         key(Qt::Key_X, Qt::ControlModifier), nullptr},
        {"Cut command", kStart + 4, kStartEnd + 3, command(SyntaxMemo::Cut), nullptr},
        {"Paste command", 2, kStart + 4, command(SyntaxMemo::Paste), nullptr},
        {"Ctrl+V", kStart + 4, kStart + 4, key(Qt::Key_V, Qt::ControlModifier), nullptr},
        {"Delete command", kStart + 4, kStart + 8, command(SyntaxMemo::Delete), nullptr},

        {"type right before the word", kStart, kStart, type("a"),
         "x = 1\nastarttitleblock\ntitle\nendtitleblock\ny = title"},
        {"type right after the word", kStartEnd, kStartEnd, type("a"),
         "x = 1\nstarttitleblocka\ntitle\nendtitleblock\ny = title"},
        {"input method right before the word", kStart, kStart, commit("a"),
         "x = 1\nastarttitleblock\ntitle\nendtitleblock\ny = title"},
        {"Backspace right before the word", kStart, kStart, key(Qt::Key_Backspace),
         "x = 1starttitleblock\ntitle\nendtitleblock\ny = title"},
        {"Delete right after the word", kStartEnd, kStartEnd, key(Qt::Key_Delete),
         "x = 1\nstarttitleblocktitle\nendtitleblock\ny = title"},
        {"indent the line of the word", kStart + 4, kStart + 4, key(Qt::Key_Tab, Qt::ControlModifier),
         "x = 1\n  starttitleblock\ntitle\nendtitleblock\ny = title"},
        {"cut a selection ending at the word", 2, kStart, key(Qt::Key_X, Qt::ControlModifier),
         "x starttitleblock\ntitle\nendtitleblock\ny = title"},
        {"paste between the markers", kStartEnd + 1, kStartEnd + 6, key(Qt::Key_V, Qt::ControlModifier),
         "x = 1\nstarttitleblock\nZ\nendtitleblock\ny = title"},
        {"type elsewhere", 51, 51, type("s"), "x = 1\nstarttitleblock\ntitle\nendtitleblock\ny = titles"},
    };
    for (const EditCase &c : cases) {
        SCOPED_TRACE(c.name);
        reset(c.anchor, c.position);
        c.edit(memo);
        if (!c.expected) {
            EXPECT_EQ(text(), kShown);
            EXPECT_EQ(memo.textCursor().anchor(), c.anchor);
            EXPECT_EQ(memo.textCursor().position(), c.position);
            EXPECT_FALSE(memo.document()->isUndoAvailable());
            EXPECT_EQ(QApplication::clipboard()->text(), "Z");
        } else {
            EXPECT_EQ(text(), c.expected);
            memo.undo();
            EXPECT_EQ(text(), kShown);
        }
    }
}

TEST_F(ReadOnlyTextTest, DecidesBeforeTheIdleScanReachesTheWord)
{
    QStringList lines(3000, QStringLiteral("x = 1"));
    lines << "starttitleblock" << "title";
    memo.setPlainText(lines.join("\r\n"));
    const int inside = int(memo.toPlainText().indexOf("starttitleblock")) + 5;
    ASSERT_LT(memo.syntaxPainter()->analysis().analysis().analyzedUpTo(), inside);
    QTextCursor c = memo.textCursor();
    c.setPosition(inside);
    memo.setTextCursor(c);
    QTest::keyClicks(&memo, "x");
    EXPECT_EQ(text(), lines.join('\n').toStdString());
}

TEST_F(ReadOnlyTextTest, ReplaceSkipsMatchesInReadOnlyText)
{
    reset(0, 0);
    // Replace All from the dialog: the "title" inside both markers stays.
    auto *timer = new QTimer(&memo);
    QObject::connect(timer, &QTimer::timeout, [timer] {
        auto *dialog = qobject_cast<ReplaceDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer->stop();
        dialog->findChild<QLineEdit *>("SearchText")->setText("title");
        dialog->findChild<QLineEdit *>("ReplaceText")->setText("T");
        dialog->findChild<QPushButton *>("ReplaceAllButton")->click();
        dialog->accept();
    });
    timer->start(10);
    QTest::keyClick(&memo, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(text(), "x = 1\nstarttitleblock\nT\nendtitleblock\ny = T");
    memo.undo();
    EXPECT_EQ(text(), kShown);

    // A single replace of a match inside a marker is refused and keeps the match selected.
    SearchRequest r;
    r.text = "title";
    r.replacement = "T";
    reset(kStart + 5, kStart + 10);
    EXPECT_FALSE(memo.replaceNext(r));
    EXPECT_EQ(text(), kShown);
    EXPECT_EQ(memo.textCursor().selectionStart(), kStart + 5);
    EXPECT_EQ(memo.textCursor().selectionEnd(), kStart + 10);
    EXPECT_EQ(memo.replaceAll(r), 2);
}

// A lexer whose read-only tokens run over line breaks, so lines can start inside them.
LexerDefinition lockedLexer(std::uint16_t flags)
{
    LexerDefinition def;
    def.LexerName = QStringLiteral("Locked");
    SyntaxFormatDef style;
    style.DisplayName = QStringLiteral("Locked");
    style.FormatFlags = flags;
    style.ReadOnly = true;
    def.Formats = {style};
    TokenRuleDef rule;
    rule.DisplayName = rule.StyleName = QStringLiteral("Locked");
    rule.Expression = QStringLiteral("<<[^>]*>>");
    def.TokenRules = {rule};
    return def;
}

TEST_F(ReadOnlyTextTest, IndentAndUnindentChangeNoLineThatStartsInReadOnlyText)
{
    SyntAnalyzer lexer(lockedLexer(ffAll));
    memo.setLexer(&lexer);
    const std::string text = "<<a\n  b>>\n  c";
    const struct {
        const char *name;
        int anchor, position;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        const char *expected;
    } cases[] = {
        {"indent a line inside", 5, 5, Qt::Key_Tab, Qt::ControlModifier, nullptr},
        {"unindent a line inside", 5, 5, Qt::Key_Backtab, Qt::ShiftModifier, nullptr},
        {"unindent it with a line after it", 5, 12, Qt::Key_Backtab, Qt::ShiftModifier, nullptr},
        {"indent the first line", 1, 1, Qt::Key_Tab, Qt::ControlModifier, "  <<a\n  b>>\n  c"},
        {"unindent the line after it", 12, 12, Qt::Key_Backtab, Qt::ShiftModifier, "<<a\n  b>>\nc"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        memo.setPlainText(QString::fromStdString(text));
        QTextCursor cursor = memo.textCursor();
        cursor.setPosition(c.anchor);
        cursor.setPosition(c.position, QTextCursor::KeepAnchor);
        memo.setTextCursor(cursor);
        QTest::keyClick(&memo, c.key, c.mods);
        EXPECT_EQ(this->text(), c.expected ? c.expected : text);
    }

    // Without the read-only flag in its format flags, the style's ReadOnly does not count.
    SyntAnalyzer unlocked(lockedLexer(ffAll & ~ffReadOnly));
    memo.setLexer(&unlocked);
    memo.setPlainText(QString::fromStdString(text));
    QTextCursor cursor = memo.textCursor();
    cursor.setPosition(5);
    memo.setTextCursor(cursor);
    QTest::keyClick(&memo, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(this->text(), "<<a\n    b>>\n  c");
}

TEST_F(ReadOnlyTextTest, DropsLandOnlyBesideReadOnlyText)
{
    SyntAnalyzer lexer(lockedLexer(ffAll));
    memo.setLexer(&lexer);
    const std::string text = "<<ab>> c";
    for (const auto &[at, expected] : {std::pair{3, text}, std::pair{6, std::string("<<ab>>Z c")}}) {
        SCOPED_TRACE(at);
        memo.setPlainText(QString::fromStdString(text));
        QTextCursor c(memo.document());
        c.setPosition(at);
        QMimeData data;
        data.setText(QStringLiteral("Z"));
        const QPoint point = memo.cursorRect(c).center();
        QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(memo.viewport(), &enter);
        QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(memo.viewport(), &drop);
        EXPECT_EQ(this->text(), expected);
    }
}

TEST_F(ReadOnlyTextTest, MouseSelectionOverReadOnlyTextKeepsTheCommandsAvailable)
{
    reset(0, 0);
    QTest::mousePress(memo.viewport(), Qt::LeftButton, {}, memo.cursorRect().center());
    // The second move extends a selection that already holds read-only text.
    for (const int end : {kStartEnd + 2, kStartEnd + 4}) {
        QTextCursor c(memo.document());
        c.setPosition(end);
        const QPoint to = memo.cursorRect(c).center();
        QMouseEvent move(QEvent::MouseMove, to, memo.viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(memo.viewport(), &move);
        EXPECT_EQ(memo.textCursor().selectionEnd(), end);
        EXPECT_TRUE(memo.action(SyntaxMemo::Cut)->isEnabled());
        EXPECT_TRUE(memo.action(SyntaxMemo::Paste)->isEnabled());
    }
    QTest::mouseRelease(memo.viewport(), Qt::LeftButton, {}, memo.cursorRect().center());
}

TEST_F(ReadOnlyTextTest, ContextMenuCutIsRefusedToo)
{
    reset(kStart + 4, kStartEnd + 3);
    const QPoint at = memo.viewport()->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, memo.viewport()->mapToGlobal(at));
    QApplication::sendEvent(memo.viewport(), &event);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QAction *cut = nullptr;
    for (QAction *a : menu->actions())
        if (a->text().remove('&').startsWith("Cut"))
            cut = a;
    ASSERT_NE(cut, nullptr);
    cut->trigger();
    menu->close();
    EXPECT_EQ(text(), kShown);
}

TEST_F(ReadOnlyTextTest, ProgrammaticChangesReplaceReadOnlyText)
{
    reset(0, 0);
    memo.setLines({"starttitleblock", "y"});
    EXPECT_EQ(text(), "starttitleblock\ny");
    memo.setPlainText("plain");
    EXPECT_EQ(text(), "plain");
    reset(kStart + 5, kStart + 5);
    memo.insertPlainText("x");
    EXPECT_EQ(text(), "x = 1\nstartxtitleblock\ntitle\nendtitleblock\ny = title");
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
