// The editor pane painted from the lexer analysis: tokens of a loaded device, line highlights,
// painted colours, edits against a fresh analysis, name-list changes and folding.
#include "Unit1.h"
#include "foldgutter.h"
#include "mcucombobox.h"
#include "syntaxmanager.h"
#include "syntaxmemo.h"
#include "syntaxpainter.h"
#include "taglist.h"
#include "testsupport.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <climits>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

bool waitFor(const std::function<bool()> &done, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

// Waits until the background analysis of the memo's text is complete and its results are in.
bool settled(SyntaxMemo &memo)
{
    const BackgroundAnalysis &a = memo.syntaxPainter()->analysis();
    return waitFor([&] { return a.analysis().isComplete() && a.resultsCurrent(); });
}

// The rule name of the token that covers the first occurrence of `word` after `after`.
std::string ruleAt(const SyntaxMemo &memo, const QString &word, const QString &after = {})
{
    const QString text = memo.toPlainText();
    const qsizetype from = after.isEmpty() ? 0 : text.indexOf(after) + after.size();
    const int at = int(text.indexOf(word, from));
    const SyntaxAnalysis &a = memo.syntaxPainter()->analysis().analysis();
    const int index = a.TokenAtPos(at);
    if (at < 0 || index < 0)
        return "<none>";
    return a.tokenRule(a.tokens()[size_t(index)])->DisplayName.toStdString();
}

// The colour of the layout format over the first character of `word`.
QTextCharFormat formatAt(SyntaxMemo &memo, const QString &word)
{
    const int at = int(memo.toPlainText().indexOf(word));
    const QTextBlock block = memo.document()->findBlock(at);
    memo.syntaxPainter()->analysis().ensureAnalyzed(INT_MAX - 1);
    for (const QTextLayout::FormatRange &r : memo.syntaxPainter()->blockFormats(block))
        if (at - block.position() >= r.start && at - block.position() < r.start + r.length)
            return r.format;
    return {};
}

// Rectangle of `count` characters from `at`, in viewport coordinates.
QRect textRect(SyntaxMemo &memo, int at, int count)
{
    QTextCursor c(memo.document());
    c.setPosition(at);
    const QRect first = memo.cursorRect(c);
    c.setPosition(at + count);
    return QRect(first.topLeft(), memo.cursorRect(c).bottomLeft()).adjusted(1, 0, 0, 0);
}

bool hasPixelNear(const QImage &image, const QRect &rect, QColor target, int tolerance = 50)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - target.red()) <= tolerance && std::abs(c.green() - target.green()) <= tolerance &&
                std::abs(c.blue() - target.blue()) <= tolerance)
                return true;
        }
    return false;
}

// ---------------------------------------------------------------------------------------------
// The main window with a small device.

class EditorPaintWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        data.writeCatalogue("PIC16X84\r\n");
        data.addFixtureTree(QStringLiteral("16X84"), QStringLiteral("desc_lines"));
        qputenv("XDG_CONFIG_HOME", (data.path() + "/config").toLocal8Bit());
        previous = QDir::currentPath();
        QDir::setCurrent(data.path());
        form = std::make_unique<TForm1>();
        form->FormCreate();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void TearDown() override
    {
        form.reset();
        QDir::setCurrent(previous);
    }
    void load(const QString &name)
    {
        QLineEdit *edit = form->CPU_ComboBox->lineEdit();
        form->CPU_ComboBox->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, name);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    SyntaxMemo &memo() { return *form->SyntaxMemo1; }

    TestSupport::DataDir data;
    QString previous;
    std::unique_ptr<TForm1> form;
};

TEST_F(EditorPaintWindowTest, BannerUsesTheStartUpLexerAndADeviceLoadSwitchesToTheLibrary)
{
    const SyntAnalyzer *startUp = memo().lexer();
    ASSERT_NE(startUp, nullptr);
    EXPECT_EQ(startUp->LexerName(), "Tessel");
    EXPECT_NE(startUp, form->SyntaxManager1->FindAnalyzer(u"Tessel"));
    ASSERT_TRUE(settled(memo()));
    EXPECT_EQ(ruleAt(memo(), "; Orvex"), "Comment");

    load("16X84");
    EXPECT_EQ(memo().lexer(), form->SyntaxManager1->FindAnalyzer(u"Tessel"));
    // The window's lists are the MPASM lexer's own, so the device's names are highlighted.
    const SyntAnalyzer *mpasm = form->SyntaxManager1->FindAnalyzer(u"MPASM");
    EXPECT_EQ(form->ConfigBits, FirstConditionTags(mpasm, "Config Bits"));
    EXPECT_EQ(form->NewConfigBits, FirstConditionTags(mpasm, "NewStyle Config Bits"));
    ASSERT_TRUE(settled(memo()));
    EXPECT_EQ(ruleAt(memo(), "#CONFIG"), "OP Keywords");
    EXPECT_EQ(ruleAt(memo(), "CONFIG", "#CONFIG\n"), "Reserved words");
    EXPECT_EQ(ruleAt(memo(), "WDTE", "#CONFIG"), "NewStyle Config Bits");
    EXPECT_EQ(ruleAt(memo(), "ON", "WDTE"), "Ident");
    EXPECT_EQ(ruleAt(memo(), "#ENDCONFIG"), "OP Keywords");

    form->OldStyleRadio->click();
    ASSERT_TRUE(settled(memo()));
    EXPECT_EQ(ruleAt(memo(), "_FOSC_XT"), "Config Bits");
    EXPECT_EQ(ruleAt(memo(), "_WDTE_ON"), "Config Bits");
    EXPECT_EQ(ruleAt(memo(), "__CONFIG"), "Reserved words");
}

TEST_F(EditorPaintWindowTest, ConfigBlockLinesCarryTheLineHighlightAcrossTheWidth)
{
    load("16X84");
    ASSERT_TRUE(settled(memo()));
    QTest::qWait(50);
    const QColor configBackground(0xFF, 0xFF, 0xE8);
    const QImage image = memo().viewport()->grab().toImage();
    const int x = memo().viewport()->width() - 8;
    bool inBlock = false;
    int highlighted = 0;
    for (QTextBlock b = memo().document()->firstBlock(); b.isValid(); b = b.next()) {
        if (b.text().startsWith("#CONFIG"))
            inBlock = true;
        SCOPED_TRACE(b.text().toStdString());
        EXPECT_EQ(memo().syntaxPainter()->lineBackground(b), inBlock ? configBackground : QColor());
        const QRect r = memo().cursorRect(QTextCursor(b));
        if (r.top() >= 0 && r.bottom() < image.height()) {
            EXPECT_EQ(image.pixelColor(x, r.center().y()) == configBackground, inBlock);
        }
        highlighted += inBlock;
        if (b.text().startsWith("#ENDCONFIG"))
            inBlock = false;
    }
    EXPECT_GE(highlighted, 4); // #CONFIG, both settings, #ENDCONFIG
}

// ---------------------------------------------------------------------------------------------
// A lone editor with the lexer library.

class EditorPaintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        memo.setLexerLibrary(&library);
        memo.resize(700, 400);
        memo.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&memo));
    }
    void show(const QString &lexer, const QStringList &lines)
    {
        SyntaxMemo::UpdateScope update(&memo);
        memo.clearLines();
        for (const QString &line : lines)
            memo.appendLine(line);
        memo.setLexerByName(lexer);
    }
    TagList &newConfigBits() { return *FirstConditionTags(library.FindAnalyzer(u"MPASM"), "NewStyle Config Bits"); }

    SyntaxManager library;
    SyntaxMemo memo;
};

TEST_F(EditorPaintTest, FormatsComeFromTheTokenStylesAndTheDesktopPalette)
{
    show("MPASM", {"  CONFIG FOSC = HS ; oscillator", "  __config _CP_OFF & 12"});
    struct Case {
        const char *word;
        QColor colour;
        bool bold;
    } cases[] = {
        {"FOSC", QColor(0xFF, 0x00, 0xFF), false},        // Config Bits (FOSC is in the shipped list)
        {"HS", QColor(0x80, 0x00, 0x00), false},          // Ident
        {"; oscillator", QColor(0x00, 0x80, 0x00), true}, // Comment
        {"__config", memo.palette().color(QPalette::Text), true},
        {"12", QColor(0x00, 0x00, 0x80), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.word);
        const QTextCharFormat f = formatAt(memo, c.word);
        EXPECT_EQ(f.foreground().color(), c.colour);
        EXPECT_EQ(f.fontWeight() == QFont::Bold, c.bold);
    }

    // Desktop colours follow the palette: the BASIC comment is the link colour.
    show("Tessel", {"x = 1 ' note"});
    QPalette pal = memo.palette();
    pal.setColor(QPalette::Link, QColor(0x12, 0x34, 0x56));
    memo.setPalette(pal);
    const QTextCharFormat comment = formatAt(memo, "' note");
    EXPECT_EQ(comment.foreground().color(), QColor(0x12, 0x34, 0x56));
    EXPECT_TRUE(comment.fontItalic());
}

TEST_F(EditorPaintTest, PaintedPixelsOfAConfigNameAreItsStyleColour)
{
    show("MPASM", {"  CONFIG FOSC = HS", "  CONFIG MCLRE = ON"});
    ASSERT_TRUE(settled(memo));
    const QString text = memo.toPlainText();
    auto rectOf = [&](const QString &word) { return textRect(memo, int(text.indexOf(word)), int(word.size())); };
    const QColor fuchsia(0xFF, 0x00, 0xFF);
    QImage image = memo.viewport()->grab().toImage();
    EXPECT_TRUE(hasPixelNear(image, rectOf("FOSC"), fuchsia));
    EXPECT_FALSE(hasPixelNear(image, rectOf("MCLRE"), fuchsia));

    // Adding a name to the list re-analyses the text; the next paint shows it.
    newConfigBits().add("MCLRE");
    ASSERT_TRUE(settled(memo));
    image = memo.viewport()->grab().toImage();
    EXPECT_TRUE(hasPixelNear(image, rectOf("MCLRE"), fuchsia));
}

TEST_F(EditorPaintTest, SubLexerListChangeCompletesTheAnalysisOfAnUnpaintedText)
{
    memo.hide(); // nothing asks for the text by painting it
    QStringList lines{"#CONFIG", "  CONFIG XYZ = 1", "#ENDCONFIG"};
    for (int i = 0; i < 200; ++i)
        lines << "x = 1";
    show("Tessel", lines);
    ASSERT_TRUE(settled(memo));
    EXPECT_EQ(ruleAt(memo, "XYZ"), "Ident");
    newConfigBits().add("XYZ");
    ASSERT_TRUE(settled(memo));
    EXPECT_EQ(ruleAt(memo, "XYZ"), "NewStyle Config Bits");
}

// Every token of the incremental analysis equals a fresh analysis of the document's text, and
// covers the same characters in the document.
void expectFreshAnalysis(SyntaxMemo &memo)
{
    BackgroundAnalysis &background = memo.syntaxPainter()->analysis();
    background.ensureAnalyzed(INT_MAX - 1);
    const SyntaxAnalysis &live = background.analysis();
    ASSERT_TRUE(live.isComplete());
    SyntaxAnalysis fresh;
    fresh.setLexer(memo.lexer());
    fresh.setText(memo.toPlainText());
    fresh.analyze();
    ASSERT_EQ(live.tokens().size(), fresh.tokens().size());
    for (size_t i = 0; i < fresh.tokens().size(); ++i) {
        const SyntaxToken &a = live.tokens()[i], &b = fresh.tokens()[i];
        ASSERT_TRUE(a.start == b.start && a.end == b.end && a.type == b.type && live.tokenRule(a) == fresh.tokenRule(b))
            << "token " << i << " \"" << fresh.tokenText(int(i)).toString().toStdString() << "\"";
        QTextCursor c(memo.document());
        c.setPosition(a.start);
        c.setPosition(a.end, QTextCursor::KeepAnchor);
        ASSERT_EQ(c.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n')), live.tokenText(int(i)));
    }
    const AnalysisResults expected = fresh.finish();
    const AnalysisResults actual = live.finish();
    ASSERT_EQ(actual.rangeStyles.size(), expected.rangeStyles.size());
    for (size_t i = 0; i < expected.rangeStyles.size(); ++i)
        EXPECT_TRUE(actual.rangeStyles[i].start == expected.rangeStyles[i].start &&
                    actual.rangeStyles[i].end == expected.rangeStyles[i].end);
}

TEST_F(EditorPaintTest, UserEditsKeepTheAnalysisEqualToAFreshOne)
{
    QStringList lines{"' header", "#IF __PROCESSOR__ = \"16F84\"", "#CONFIG", "  CONFIG FOSC = HS, WDTE = OFF",
                      "  CONFIG CP = OFF ; no protection", "#ENDCONFIG", "#ENDIF"};
    for (int i = 0; i < 300; ++i)
        lines << QStringLiteral("for i = 1 to %1 : x = x + %1 : next ' loop").arg(i);
    show("Tessel", lines);
    ASSERT_TRUE(settled(memo));
    memo.setFocus();
    auto at = [&](const QString &word, int shift = 0) {
        QTextCursor c(memo.document());
        c.setPosition(int(memo.toPlainText().indexOf(word)) + shift);
        memo.setTextCursor(c);
    };
    const std::pair<const char *, std::function<void()>> edits[] = {
        {"type inside a config name", [&] { at("FOSC", 2); QTest::keyClicks(&memo, "xx"); }},
        {"split a line", [&] { at("WDTE"); QTest::keyClick(&memo, Qt::Key_Return); }},
        {"join lines", [&] { at("#ENDCONFIG"); QTest::keyClick(&memo, Qt::Key_Backspace); }},
        {"delete across lines",
         [&] {
             at("CONFIG CP");
             QTextCursor c = memo.textCursor();
             c.setPosition(int(memo.toPlainText().indexOf("#ENDIF")) + 3, QTextCursor::KeepAnchor);
             c.removeSelectedText();
         }},
        {"paste CR LF lines", [&] { at("for i = 150"); memo.insertPlainText("#CONFIG\r\n  CONFIG LVP = ON\r\n#ENDCONFIG\r\n"); }},
        // An assembler range opened here runs to the end of the text.
        {"open a range far down", [&] { at("for i = 250"); QTest::keyClicks(&memo, "asm "); }},
        {"undo everything", [&] { while (memo.document()->isUndoAvailable()) memo.undo(); }},
    };
    for (const auto &[name, edit] : edits) {
        SCOPED_TRACE(name);
        edit();
        ASSERT_NO_FATAL_FAILURE(expectFreshAnalysis(memo));
        QTest::qWait(1); // let the painter and the idle slices run between edits
    }
    EXPECT_EQ(memo.toPlainText(), lines.join('\n'));
}

TEST_F(EditorPaintTest, FoldMarkerHidesAndShowsTheRangeLines)
{
    show("Tessel", {"x = 1", "ASM", "  movlw 1", "  movwf 2", "ENDASM", "y = 2"});
    ASSERT_TRUE(settled(memo));
    SyntaxPainter &painter = *memo.syntaxPainter();
    ASSERT_EQ(painter.folds().size(), 1u);
    EXPECT_EQ(painter.folds()[0].startLine, 1);
    EXPECT_EQ(painter.folds()[0].endLine, 4);
    auto visibleLines = [&] {
        QString shown;
        for (QTextBlock b = memo.document()->firstBlock(); b.isValid(); b = b.next())
            shown += b.isVisible() ? '1' : '0';
        return shown;
    };
    auto *gutter = memo.findChild<FoldGutter *>();
    ASSERT_NE(gutter, nullptr);
    const int y = memo.cursorRect(QTextCursor(memo.document()->findBlockByNumber(1))).center().y();
    QTest::mouseClick(gutter, Qt::LeftButton, {}, QPoint(gutter->width() / 2, y));
    EXPECT_EQ(visibleLines(), "110001");
    EXPECT_TRUE(painter.isFolded(1));
    QTest::mouseClick(gutter, Qt::LeftButton, {}, QPoint(gutter->width() / 2, y));
    EXPECT_EQ(visibleLines(), "111111");

    // A caret moved into a folded range opens it; a new text drops every fold.
    painter.toggleFold(1);
    QTextCursor c(memo.document()->findBlockByNumber(3));
    memo.setTextCursor(c);
    EXPECT_EQ(visibleLines(), "111111");
    painter.toggleFold(1);
    EXPECT_EQ(visibleLines(), "110001");
    show("Tessel", {"x = 1", "ASM", "  nop", "ENDASM"});
    EXPECT_EQ(visibleLines(), "1111");
    EXPECT_FALSE(painter.isFolded(1));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
