// The output editor: its line operations and its editing commands, reached through their keys.
#include "finddialog.h"
#include "gotolinedialog.h"
#include "syntaxmemo.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs `fill` on the next modal dialog of type D and accepts it.
template <typename D> void answerNextDialog(std::function<void(D *)> fill)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, fill] {
        if (auto *dialog = qobject_cast<D *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            fill(dialog);
            dialog->accept();
        }
    });
    timer->start(10);
}

class SyntaxMemoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        memo.resize(600, 300);
        memo.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&memo));
        memo.setFocus();
    }
    void select(int from, int to)
    {
        QTextCursor c = memo.textCursor();
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        memo.setTextCursor(c);
    }
    SyntaxMemo memo;
};

TEST_F(SyntaxMemoTest, LineOperationsKeepEveryLineIncludingEmptyOnes)
{
    memo.clearLines();
    memo.appendLine(QString());
    memo.appendLine("a");
    memo.appendLine(QString());
    EXPECT_EQ(memo.lines(), (QStringList{"", "a", ""}));

    {
        SyntaxMemo::UpdateScope batch(&memo);
        memo.clearLines();
        memo.appendLine("x");
        memo.appendLine("y");
    }
    EXPECT_EQ(memo.toPlainText(), "x\ny");

    // A batch that writes nothing leaves the text alone (generation on an empty tree).
    {
        SyntaxMemo::UpdateScope batch(&memo);
    }
    EXPECT_EQ(memo.toPlainText(), "x\ny");

    memo.moveCursor(QTextCursor::End);
    memo.clearAll();
    EXPECT_TRUE(memo.lines().isEmpty());
    EXPECT_EQ(memo.textCursor().position(), 0);
}

TEST_F(SyntaxMemoTest, LexerSlotReportsChangesOnly)
{
    QSignalSpy spy(&memo, &SyntaxMemo::lexerChanged);
    EXPECT_EQ(memo.lexerName(), "Tessel");
    memo.setLexerByName("Tessel");
    memo.setLexerByName("MPASM");
    memo.setLexerByName("MPASM");
    EXPECT_EQ(memo.lexerName(), "MPASM");
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toString(), "MPASM");
}

TEST_F(SyntaxMemoTest, IndentAndUnindentActOnTheSelectedLines)
{
    memo.setPlainText("one\ntwo\nthree");
    select(1, 5); // from "one" into "two"
    QTest::keyClick(&memo, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(memo.toPlainText(), "  one\n  two\nthree");
    QTest::keyClick(&memo, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(memo.toPlainText(), "one\ntwo\nthree");
    EXPECT_TRUE(memo.hasFocus()); // Shift+Tab unindents instead of moving the focus
}

TEST_F(SyntaxMemoTest, CtrlDeleteRemovesTheSelectionOnly)
{
    memo.setPlainText("CONFIG FOSC = XT");
    select(7, 11);
    QTest::keyClick(&memo, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(memo.toPlainText(), "CONFIG  = XT");
}

TEST_F(SyntaxMemoTest, FindDialogThenSearchAgainWrapsAround)
{
    memo.setPlainText("FOSC = XT\nWDTE = ON\nfosc");
    answerNextDialog<FindDialog>(
        [](FindDialog *d) { d->findChild<QLineEdit *>("SearchText")->setText("fosc"); });
    QTest::keyClick(&memo, Qt::Key_F, Qt::ControlModifier);
    // The offscreen platform does not hand activation back when a dialog closes.
    memo.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&memo));
    memo.setFocus();
    EXPECT_EQ(memo.textCursor().selectionStart(), 0); // case-insensitive by default
    QTest::keyClick(&memo, Qt::Key_F3);
    EXPECT_EQ(memo.textCursor().selectionStart(), 20);
    QTest::keyClick(&memo, Qt::Key_F3);
    EXPECT_EQ(memo.textCursor().selectionStart(), 0);
}

TEST_F(SyntaxMemoTest, FindCurrentWordMovesBetweenWholeWordOccurrences)
{
    memo.setPlainText("_CP_ON\n_CP_ONX\n_CP_ON");
    QTest::keyClick(&memo, Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(memo.textCursor().selectedText(), "_CP_ON");
    EXPECT_EQ(memo.textCursor().selectionStart(), 15);
    QTest::keyClick(&memo, Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(memo.textCursor().selectionStart(), 0);
}

TEST_F(SyntaxMemoTest, ReplaceAllIsOneUndoStep)
{
    memo.setPlainText("ON ON\nON");
    SearchRequest r;
    r.text = "ON";
    r.replacement = "ONON"; // contains the search text: must not loop
    EXPECT_EQ(memo.replaceAll(r), 3);
    EXPECT_EQ(memo.toPlainText(), "ONON ONON\nONON");
    memo.undo();
    EXPECT_EQ(memo.toPlainText(), "ON ON\nON");

    select(0, 2);
    r.replacement = "OFF";
    EXPECT_TRUE(memo.replaceNext(r));
    EXPECT_EQ(memo.toPlainText(), "OFF ON\nON");
    EXPECT_EQ(memo.textCursor().selectionStart(), 4);
}

TEST_F(SyntaxMemoTest, GoToLineThroughItsDialog)
{
    memo.setPlainText("a\nb\nc\nd");
    answerNextDialog<GoToLineDialog>([](GoToLineDialog *d) {
        auto *line = d->findChild<QSpinBox *>("LineNumber");
        EXPECT_EQ(line->maximum(), 4);
        line->setValue(3);
    });
    QTest::keyClick(&memo, Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(memo.textCursor().blockNumber(), 2);
    EXPECT_FALSE(memo.goToLine(5));
    EXPECT_FALSE(memo.goToLine(0));
}

TEST_F(SyntaxMemoTest, IncrementalSearchFollowsTheTyping)
{
    memo.setPlainText("CONFIG FOSC\nCONFIG WDTE");
    QTest::keyClick(&memo, Qt::Key_E, Qt::ControlModifier);
    auto *field = memo.findChild<QLineEdit *>("IncrementalSearchText");
    ASSERT_TRUE(field && field->hasFocus());
    QTest::keyClicks(field, "WD");
    EXPECT_EQ(memo.textCursor().selectedText(), "WD");
    EXPECT_EQ(memo.textCursor().selectionStart(), 19);
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_TRUE(memo.hasFocus());
}

TEST_F(SyntaxMemoTest, CommandsFollowTheEditorState)
{
    memo.setPlainText("abc");
    EXPECT_FALSE(memo.action(SyntaxMemo::Copy)->isEnabled());
    EXPECT_FALSE(memo.action(SyntaxMemo::FindAgain)->isEnabled());
    select(0, 1);
    EXPECT_TRUE(memo.action(SyntaxMemo::Copy)->isEnabled());
    EXPECT_TRUE(memo.action(SyntaxMemo::Cut)->isEnabled());
    memo.setReadOnly(true);
    EXPECT_FALSE(memo.action(SyntaxMemo::Cut)->isEnabled());
    EXPECT_FALSE(memo.action(SyntaxMemo::Indent)->isEnabled());
    EXPECT_TRUE(memo.action(SyntaxMemo::Copy)->isEnabled());
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
