#include "commentcolumn.h"
#include "generatetestsupport.h"
#include "newstyleblocks.h"
#include "oldstyleblocks.h"

#include <gtest/gtest.h>

namespace {

OutputOptions bodyOnly()
{
    OutputOptions o;
    o.headers = false;
    o.verifyMcu = false;
    return o;
}

// The lines between the wrapper lines.
QStringList body(const GenerationResult &r)
{
    return r.lines.mid(1, r.lines.size() - 3);
}

TEST(CommentColumn, OldStyleSemicolonPosition)
{
    struct Case {
        int length, column, spaces;
    } cases[] = {
        {16, 30, 14}, // semicolon is the 31st character
        {16, 80, 29}, // the fill is only 29 spaces long
        {16, 0, 1},   {16, 1, 1}, {28, 30, 2}, {29, 30, 1}, {40, 30, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "L=" << c.length << " C=" << c.column);
        const QString text(c.length, QLatin1Char('x'));
        EXPECT_EQ(oldStyleCommentedLine(text, c.column, QStringLiteral("d")),
                  text + QString(c.spaces, QLatin1Char(' ')) + QStringLiteral("; d"));
    }
    EXPECT_EQ(oldStyleCommentedLine(QStringLiteral("cfg = A"), 30, QString()).right(2),
              QStringLiteral("; "));
}

TEST(CommentColumn, NewStyleSemicolonPosition)
{
    struct Case {
        int length, column, semicolon; // 1-based position of the semicolon
    } cases[] = {
        {19, 30, 30}, {28, 30, 30}, {29, 30, 31},   {19, 0, 21},
        {19, 1, 21},  {87, 80, 89}, {19, 200, 124},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "L=" << c.length << " C=" << c.column);
        const QString text =
            QStringLiteral("  CONFIG  ") + QString(c.length - 10, QLatin1Char('x'));
        const QString line = newStyleLine(text, true, c.column, QStringLiteral("desc "));
        EXPECT_EQ(line.indexOf(QLatin1Char(';')) + 1, c.semicolon);
        EXPECT_TRUE(line.startsWith(text));
        EXPECT_TRUE(line.endsWith(QStringLiteral("; desc"))) << line.toStdString();
    }
    EXPECT_EQ(newStyleLine(QStringLiteral("  CONFIG  "), false, 30, QString()),
              QStringLiteral("  CONFIG"));
    EXPECT_EQ(newStyleLine(QStringLiteral("  CONFIG  A = 1"), true, 20, QString()),
              QStringLiteral("  CONFIG  A = 1    ;"));
}

TEST(GenerationRules, TrimStopsAtControlCharactersOnly)
{
    EXPECT_EQ(trimControl(QStringLiteral("\x01\t a b \x1f")), QStringLiteral("a b"));
    EXPECT_EQ(trimControl(QString(QChar(0xA0)) + QStringLiteral("a ")),
              QString(QChar(0xA0)) + QStringLiteral("a"));
}

TEST(GenerationRules, RemoveSpacesKeepsTabs)
{
    EXPECT_EQ(RemoveSpaces(QStringLiteral(" A = \tB ")), QStringLiteral("A=\tB"));
}

TEST(GenerationRules, RegisterSuffix)
{
    const std::pair<const char *, const char *> cases[] = {
        {"CONFIG1L", "1L"}, {"CONFIG2H", "2H"}, {"CONFIG2", "2"}, {"CONFIG3l", "l"},
        {"CONFIG4h", "h"},  {"L", "L"},         {"", ""},
    };
    for (const auto &[name, suffix] : cases)
        EXPECT_EQ(registerSuffix(QLatin1String(name)), QLatin1String(suffix)) << name;
}

TEST(GenerateButtonClick, HeaderLineIsAlways80Characters)
{
    ConfigSession session;
    loadFixtureDevice(session, QStringLiteral("10X200"), QStringLiteral("single"));
    for (int length : {0, 1, 49, 50, 51, 120}) {
        OutputOptions o;
        o.mcuName = QString(length, QLatin1Char('M'));
        const QString header = generate(session, o).lines.first();
        EXPECT_EQ(header.size(), 80) << length;
        EXPECT_TRUE(header.startsWith(QStringLiteral(";----[") + o.mcuName.left(74)));
    }
}

TEST(GenerateButtonClick, EmptyTreeLeavesThePaneAlone)
{
    ConfigSession session;
    ListSink sink;
    sink.lines = QStringList{QStringLiteral("banner")};
    QStringList errors{QStringLiteral("ErrorsMemo")};
    GenerateButtonClick(session.tree(), OutputOptions{}, sink, errors);
    EXPECT_EQ(sink.lines, QStringList{QStringLiteral("banner")});
    EXPECT_TRUE(sink.lexer.isEmpty());
}

TEST(GenerateButtonClick, ErrorPaneIsAppendedToNeverCleared)
{
    ConfigSession session;
    loadFixtureDevice(session, QStringLiteral("18X2550"), QStringLiteral("multi"));
    ListSink sink;
    QStringList errors{QStringLiteral("ErrorsMemo")};
    OutputOptions o;
    o.oldStyle = true;
    GenerateButtonClick(session.tree(), o, sink, errors);
    o.longLines = true;
    GenerateButtonClick(session.tree(), o, sink, errors);
    EXPECT_EQ(errors, (QStringList{QStringLiteral("ErrorsMemo"), QStringLiteral("On Not Found"),
                                   QStringLiteral("On Not Found")}));
}

const char effectiveTree[] =
    "9X1\n"
    "\tCONFIG1\n"
    "\t\tA\n"
    "\t\t\tchosen\n\t\t\t\t__config = _A_CHOSEN\n\t\t\t\tconfig = A = CHOSEN\n\t\t\t\tselected = "
    "true\n"
    "\t\t\tcompiler\n\t\t\t\t__config = _A_COMPILER\n\t\t\t\tconfig = A = COMPILER\n\t\t\t\tTessel "
    "= true\n"
    "\t\t\tchip1\n\t\t\t\t__config = _A_CHIP1\n\t\t\t\tconfig = A = CHIP1\n\t\t\t\tdefault = true\n"
    "\t\t\tchip2\n\t\t\t\t__config = _A_CHIP2\n\t\t\t\tconfig = A = CHIP2\n\t\t\t\tdefault = true\n"
    "\t\tB\n"
    "\t\t\tb\n\t\t\t\t__config = _B\n\t\t\t\tconfig = B = 1\n\t\t\t\tdefault = true\n";

// Removing the choice falls back to the compiler default; removing that image (which only a reload
// can do) falls back to the chip default, which each generator reads differently.
TEST(GenerateButtonClick, EffectiveOptionTiers)
{
    ConfigSession session;
    loadDevice(session, QStringLiteral("9X1"), effectiveTree);
    TreeNode *setting = session.tree().first()->child(0)->child(0);
    OutputOptions o = bodyOnly();
    o.comments = false;
    const auto run = [&](bool oldStyle, bool longLines) {
        o.oldStyle = oldStyle;
        o.longLines = longLines;
        return body(generate(session, o));
    };

    EXPECT_EQ(run(false, false), (QStringList{"  CONFIG  A = CHOSEN", "  CONFIG  B = 1"}));
    EXPECT_EQ(run(true, true), QStringList{"  __config  _A_CHOSEN & _B"});

    session.setSelectedNode(setting->child(0));
    session.Unselect1Click();
    EXPECT_EQ(run(false, false), (QStringList{"  CONFIG  A = COMPILER", "  CONFIG  B = 1"}));

    setting->child(1)->imageIndex = TreeNode::PlainImage;
    EXPECT_EQ(run(false, false), (QStringList{"  CONFIG  A = CHIP1", "  CONFIG  B = 1"}));
    EXPECT_EQ(run(false, true), QStringList{"  CONFIG  A=CHIP1, B=1"});
    EXPECT_EQ(run(true, false),
              (QStringList{"cfg = _A_CHIP1", "cfg&= _A_CHIP2", "cfg&= _B", "  __CONFIG cfg", ""}));
    EXPECT_EQ(run(true, true), QStringList{"  __config  _A_CHIP1 & _B"});

    session.ChooseOption(setting->child(3));
    EXPECT_EQ(run(false, false), (QStringList{"  CONFIG  A = CHIP2", "  CONFIG  B = 1"}));
}

QByteArray packingTree(const std::vector<int> &itemLengths)
{
    QByteArray text = "9X2\n\tCONFIG1\n";
    for (size_t i = 0; i < itemLengths.size(); ++i) {
        // "N=" plus the value: the item's length once the spaces are gone.
        const QByteArray name = QByteArray(1, char('A' + i));
        text += "\t\t" + name + "\n\t\t\tx\n\t\t\t\tconfig = " + name + " = " +
                QByteArray(itemLengths[i] - 2, 'v') + "\n\t\t\t\tdefault = true\n";
    }
    return text;
}

TEST(GenerateNewLongLines, PacksUpTo80Characters)
{
    struct Case {
        std::vector<int> items;
        std::vector<int> lineLengths;
    } cases[] = {
        {{60, 8}, {80}},     // an open line of 70 takes an 8-character item
        {{60, 9}, {70, 19}}, // but not a 9-character one
        {{75}, {85}},        // an item too long for any line stands alone
        {{5, 75, 5}, {15, 85, 15}},
    };
    OutputOptions o = bodyOnly();
    o.longLines = true;
    for (const Case &c : cases) {
        ConfigSession session;
        loadDevice(session, QStringLiteral("9X2"), packingTree(c.items));
        std::vector<int> lengths;
        for (const QString &line : body(generate(session, o)))
            lengths.push_back(int(line.size()));
        EXPECT_EQ(lengths, c.lineLengths);
    }
}

} // namespace
