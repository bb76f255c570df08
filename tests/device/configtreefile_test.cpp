#include "configtreefile.h"
#include "orvexerror.h"
#include "scrambler.h"
#include "testsupport.h"
#include "treenode.h"

#include <QDir>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

// "LEVEL:TEXT" for every node in pre-order.
QStringList outline(const Tree &tree)
{
    QStringList out;
    tree.forEach([&](TreeNode *n) {
        out << QStringLiteral("%1:%2").arg(n->level()).arg(n->text);
        return true;
    });
    return out;
}

TEST(Scrambler, KeyIsTheHundredByteMotto)
{
    const QByteArray key = Scrambler::motto();
    ASSERT_EQ(key.size(), 100);
    EXPECT_TRUE(key.startsWith("Nblo iujyl"));
    EXPECT_EQ(key.mid(93, 4), QByteArray("(\xA7 4"));
    EXPECT_TRUE(key.endsWith("42)."));
}

TEST(Scrambler, UsesKeyBytesByPositionAndSkipsTheHundredth)
{
    const QByteArray zeros(201, '\0');
    const QByteArray out = Scrambler::transform(zeros);
    const QByteArray key = Scrambler::motto();
    auto expected = [&](int keyIndex) {
        return static_cast<char>(~0 ^ static_cast<unsigned char>(key[keyIndex]));
    };
    EXPECT_EQ(out[0], expected(0));
    EXPECT_EQ(out[98], expected(98));
    EXPECT_EQ(out[99], static_cast<char>(0xFF)); // only inverted
    EXPECT_EQ(out[100], expected(0));
    EXPECT_EQ(out[199], static_cast<char>(0xFF));
    EXPECT_EQ(out[200], expected(0));
    EXPECT_EQ(Scrambler::transform(QByteArray("\x12", 1)), QByteArray(1, expected(0) ^ 0x12));
}

TEST(Scrambler, IsItsOwnInverse)
{
    QByteArray bytes(1000, Qt::Uninitialized);
    for (char &b : bytes)
        b = static_cast<char>(QRandomGenerator::global()->bounded(256));
    EXPECT_EQ(Scrambler::transform(Scrambler::transform(bytes)), bytes);
    EXPECT_TRUE(Scrambler::transform(QByteArray()).isEmpty());
}

TEST(ConfigTreeText, BuildsLevelsFromIndentation)
{
    Tree tree;
    parseConfigTreeText(QStringLiteral("  dev\n\tA\n\t\tA1\n\t\t\tA1x\n\tB\n \tB1\nC\n\tC1\n"),
                        tree);
    // Line 1 is top level whatever its depth; an unindented line opens a second top-level item.
    EXPECT_EQ(outline(tree),
              QStringList({"0:dev", "1:A", "2:A1", "3:A1x", "1:B", "2:B1", "0:C", "1:C1"}));
}

TEST(ConfigTreeText, BlankLineCutsTheDeviceOff)
{
    Tree tree;
    parseConfigTreeText(QStringLiteral("dev\n\tA\n\n\tB\n"), tree);
    EXPECT_EQ(tree.topLevelCount(), 2);
    EXPECT_EQ(outline(tree), QStringList({"0:dev", "1:A", "0:", "1:B"}));
    EXPECT_EQ(tree.first()->childCount(), 1);
}

TEST(ConfigTreeText, TooDeepLineStopsWithItemsKept)
{
    Tree tree;
    try {
        parseConfigTreeText(QStringLiteral("dev\n\tA\n\t\t\tdeep one \n\tB\n"), tree);
        FAIL() << "no level error";
    } catch (const OrvexError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Invalid level (3) for item \"deep one \""));
    }
    EXPECT_EQ(outline(tree), QStringList({"0:dev", "1:A"}));
}

TEST(ConfigTreeText, SecondLineTwoLevelsDeepFails)
{
    Tree tree;
    EXPECT_THROW(parseConfigTreeText(QStringLiteral("dev\n\t\tX"), tree), OrvexError);
}

TEST(ConfigTreeFile, LoadsScrambledFixtureWithMixedIndentation)
{
    TestSupport::DataDir data;
    data.addFixtureTree("16X1827", "mixed_indent");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(data.path());
    Tree tree;
    LoadConfigTreeFile("PIC\\PIC16X1827.cfgtree", tree);
    QDir::setCurrent(previous);
    EXPECT_EQ(
        outline(tree),
        QStringList({"0:16X1827", "1:CONFIG1", "2:FOSC", "3:INTOSC", "4:desc = Internal oscillator",
                     "4:__config = _FOSC_INTOSC", "4:config = FOSC = INTOSC", "2:PWRTE", "3:On",
                     "4:config = PWRTE = ON  ", "1:CONFIG2"}));
}

TEST(ConfigTreeFile, LevelErrorFixtureKeepsEarlierItems)
{
    Tree tree;
    const QByteArray plain = TestSupport::readFixture("trees/level_error.txt");
    EXPECT_THROW(parseConfigTreeText(QString::fromLatin1(plain), tree), OrvexError);
    EXPECT_EQ(tree.nodeCount(), 4);
}

TEST(ConfigTreeFile, DeepNestingNeitherOverflowsNorFails)
{
    // 10,000 levels, each line one deeper than the last: legal, and must not exhaust the stack.
    QString text;
    for (int i = 0; i < 10000; ++i)
        text += QString(i, QLatin1Char(' ')) + QStringLiteral("n\n");
    Tree tree;
    parseConfigTreeText(text, tree);
    EXPECT_EQ(tree.nodeCount(), 10000);
    EXPECT_EQ(tree.firstAtLevel(9999)->text, QStringLiteral("n"));
}

struct AttributeCase {
    const char *line;
    const char *key;
    const char *value;
};

TEST(FindAttribute, KeyTrimmedValueTakenTwoAfterEquals)
{
    const AttributeCase cases[] = {
        {"desc = Crystal", "desc", "Crystal"},
        {"desc=Crystal", "desc", "rystal"},
        {"desc =  Crystal", "desc", " Crystal"},
        {"desc =", "desc", ""},
        {"desc = ", "desc", ""},
        {" \tdesc\t = x", "desc", "x"},
        {"desc", "desc", ""},
        {"Default = true", "default", ""},
        {"default = true ", "default", "true "},
        {"= value", "", "value"},
        {"config = FOSC = XT", "config", "FOSC = XT"},
    };
    for (const AttributeCase &c : cases) {
        TreeNode option(QStringLiteral("option"));
        option.appendChild(QString::fromUtf8(c.line));
        EXPECT_EQ(FindAttribute(&option, QString::fromUtf8(c.key)), QString::fromUtf8(c.value))
            << c.line;
    }
}

TEST(FindAttribute, FirstMatchWinsAndMissingIsEmpty)
{
    TreeNode option(QStringLiteral("option"));
    option.appendChild(QStringLiteral("desc = first"));
    option.appendChild(QStringLiteral("desc = second"));
    EXPECT_EQ(FindAttribute(&option, QStringLiteral("desc")), QStringLiteral("first"));
    EXPECT_EQ(FindAttribute(&option, QStringLiteral("legacy")), QString());
    EXPECT_EQ(FindAttribute(nullptr, QStringLiteral("desc")), QString());
}

} // namespace
