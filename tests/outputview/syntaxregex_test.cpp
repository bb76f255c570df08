#include "syntaxregex.h"

#include <gtest/gtest.h>

namespace {

struct MatchCase {
    const char *pattern;
    const char *text;
    int pos;
    int expected; // characters consumed, 0 = no match
};

class RegexMatchTest : public testing::TestWithParam<MatchCase> {};

TEST_P(RegexMatchTest, ConsumesExpectedLength)
{
    const MatchCase &c = GetParam();
    SyntaxRegex re(QString::fromUtf8(c.pattern));
    ASSERT_TRUE(re.isValid()) << c.pattern << ": " << re.errorString().toStdString();
    EXPECT_EQ(re.match(QString::fromUtf8(c.text), c.pos), c.expected) << c.pattern << " on " << c.text;
}

const MatchCase matchCases[] = {
    // anchored: only at the given position
    {"abc", "xabc", 0, 0},
    {"abc", "xabc", 1, 3},
    // ignore case, also in classes and ranges
    {"ABC", "abc", 0, 3},
    {"[a-f]+", "DeAdbeefX", 0, 8},
    {"\\$[\\da-f]+", "$1F0g", 0, 4},
    // extended: blanks, line breaks and comments vanish
    {"#comment line\r\n\\d+ \\.? \\d+ e [\\+\\-]? \\d+ |\r\n\\d+ \\. \\d+\r\n ", "1.5e-3x", 0, 6},
    {"#comment line\r\n\\d+ \\.? \\d+ e [\\+\\-]? \\d+ |\r\n\\d+ \\. \\d+\r\n ", "12.5", 0, 4},
    {"a b c", "abc", 0, 3},
    {"a\\ b", "a b", 0, 3},
    // "." stops at every line-break character
    {".*", "ab\rcd", 0, 2},
    {".*", "ab\xe2\x80\xa8" "cd", 0, 2},
    {"(?s).*", "ab\ncd", 0, 5},
    // ^ and $ at line bounds, not between CR and LF
    {"^\\w*", "ab", 0, 2},
    {"^\\w*", "x\nab", 2, 2},
    {"^\\w*", "x\rab", 2, 2},
    {"^\\w*", " ab", 1, 0},
    {"^\\w*", "x\r\nab", 2, 0},
    {"a$", "a\r\n", 0, 1},
    {"a$", "a\n", 0, 1},
    {"a$", "a", 0, 1},
    {"a$", "ab", 0, 0},
    {"a\\r$", "a\r\n", 0, 0},
    // \z consumes one line break, CR LF as one, never at the end
    {"\\z", "\r\nx", 0, 2},
    {"\\z", "\n\nx", 0, 1},
    {"\\z", "\rx", 0, 1},
    {"a\\z", "a", 0, 0},
    {"a\\Z", "a", 0, 1},
    {"a\\Z", "ab", 0, 0},
    {"\\Aa", "aa", 1, 0},
    {"a\\b", "a b", 0, 1},
    {"a\\b", "ab", 0, 0},
    {"a\\B", "ab", 0, 1},
    // the "Conditional" and "Comment" token rules
    {"\\#.*\\s", "#IF X\r\n", 0, 6},
    {"\\#.*\\s", "#ENDIF", 0, 0},
    {"[';].*$", "' hi\r\nx", 0, 4},
    // lazy quantifiers: the "String" token rule
    {"\".*?(\"|$)", "\"ab\" cd\"", 0, 4},
    {"\".*?(\"|$)", "\"ab\r\n", 0, 3},
    {"a+?", "aaa", 0, 1},
    {"a{2,}?", "aaaa", 0, 2},
    {"(ab)*?c", "ababc", 0, 5},
    // counted forms and groups
    {"a{2}", "aaa", 0, 2},
    {"a{2,}", "aaaa", 0, 4},
    {"a{1,3}", "aaaa", 0, 3},
    {"a{3}", "aa", 0, 0},
    {"(ab){2}", "ababab", 0, 4},
    {"(a|ab)(c|bcd)", "abcd", 0, 4},
    {"(a*)*b", "aab", 0, 3},
    {"(a?){3}b", "ab", 0, 2},
    // "{" without an atom is a literal brace
    {"{.*}", "{$IFDEF}x", 0, 8},
    {"{", "{", 0, 1},
    // literal escapes and class escapes
    {"\\#\\%\\.\\(\\)\\[\\]", "#%.()[]", 0, 7},
    {"[/,\\.:\\(\\)=<>\\+\\-&\\$\\[\\]]+", "<=>[x", 0, 4},
    {"\\%[0-1]+", "%1012", 0, 4},
    {"\\D\\W\\S", "a.b", 0, 3},
    {"[^a-c]+", "xyzb", 0, 3},
    {"[]a]+", "]a]b", 0, 3},
    {"[a-]+", "a-a", 0, 3},
    {"\\d+", "\xd9\xa3\xd9\xa4", 0, 2}, // other scripts' digits count as digits
    {"\\w+", "\xc3\xa9t\xc3\xa9_1", 0, 5},
    {"\\s+", "\t \xc2\xa0x", 0, 3},
    {"\\x41\\t", "A\t", 0, 2},
    // an empty match is no match
    {"a*", "b", 0, 0},
    {"", "b", 0, 0},
    {"a", "", 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Dialect, RegexMatchTest, testing::ValuesIn(matchCases));

TEST(SyntaxRegex, ModifiersCanBeSwitchedOff)
{
    SyntaxRegex caseSensitive(QStringLiteral("abc"), SyntaxRegex::ModGreedy | SyntaxRegex::ModMultiLine);
    EXPECT_EQ(caseSensitive.match(u"ABC", 0), 0);
    SyntaxRegex plain(QStringLiteral("a b"), SyntaxRegex::ModGreedy);
    EXPECT_EQ(plain.match(u"a b", 0), 3);
    SyntaxRegex lazyByDefault(QStringLiteral("a+"), SyntaxRegex::ModMultiLine);
    EXPECT_EQ(lazyByDefault.match(u"aaa", 0), 1);
    SyntaxRegex singleLine(QStringLiteral("a$"), SyntaxRegex::ModGreedy);
    EXPECT_EQ(singleLine.match(u"a\nb", 0), 0);
    SyntaxRegex inlineOff(QStringLiteral("(?-i)a(?i:b)"));
    EXPECT_EQ(inlineOff.match(u"aB", 0), 2);
    EXPECT_EQ(inlineOff.match(u"AB", 0), 0);
}

struct ErrorCase {
    const char *pattern;
    const char *error;
};

class RegexErrorTest : public testing::TestWithParam<ErrorCase> {};

TEST_P(RegexErrorTest, ReportsErrorAndNeverMatches)
{
    const ErrorCase &c = GetParam();
    SyntaxRegex re(QString::fromUtf8(c.pattern));
    EXPECT_FALSE(re.isValid());
    EXPECT_EQ(re.errorString().toStdString(), c.error) << c.pattern;
    EXPECT_EQ(re.match(QString::fromUtf8(c.pattern), 0), 0);
}

const ErrorCase errorCases[] = {
    {"ab\\", "Unexpected end of expression"},
    {"[ab", "Unexpected end of expression"},
    {"ab)", "Unexpected end of expression"},
    {"a{x}", "Number is expected"},
    {"a{,3}", "Number is expected"},
    {"a{2x", "Invalid loop specifier"},
    {"*a", "Invalid loop specifier"},
    {"a**", "Invalid loop specifier"},
    {"a{2", "There is no closing \"}\""},
    {"a{2,", "There is no closing \"}\""},
    {"a{3,2}", "Loop minimum must be less then loop maximum"},
    {"(ab", "Do not closed sub expression"},
    {"((a)", "Do not closed sub expression"},
};

INSTANTIATE_TEST_SUITE_P(Dialect, RegexErrorTest, testing::ValuesIn(errorCases));

TEST(SyntaxRegex, ReportsHowFarTheMatchLooked)
{
    SyntaxRegex re(QStringLiteral("\\#.*\\s"));
    const QString text = QStringLiteral("#IF X\r\nnext");
    qsizetype readEnd = 0;
    EXPECT_EQ(re.match(text, 0, &readEnd), 6);
    EXPECT_EQ(readEnd, 6); // read the CR, never the LF behind it
    readEnd = 0;
    SyntaxRegex atEnd(QStringLiteral("a$"));
    EXPECT_EQ(atEnd.match(u"a", 0, &readEnd), 1);
    EXPECT_EQ(readEnd, 2); // depends on the text ending there
}

TEST(SyntaxRegex, HostilePatternsFailInsteadOfHanging)
{
    const QString text = QString(30, QLatin1Char('a')) + QLatin1Char('!');
    SyntaxRegex exponential(QStringLiteral("(a|aa)*(a|aa)*(a|aa)*b"));
    EXPECT_EQ(exponential.match(text, 0), 0);
    SyntaxRegex deep(QStringLiteral("(a)*b"));
    EXPECT_EQ(deep.match(QString(100000, QLatin1Char('a')), 0), 0);
    EXPECT_EQ(deep.match(QStringLiteral("aaab"), 0), 4);
}

TEST(SyntaxRegex, LongLinesMatchInOnePass)
{
    const QString line = QLatin1Char('\'') + QString(1000000, QLatin1Char('x'));
    SyntaxRegex comment(QStringLiteral("[';].*$"));
    EXPECT_EQ(comment.match(line, 0), line.size());
    SyntaxRegex unterminated(QStringLiteral("\".*?(\"|$)"));
    const QString str = QLatin1Char('"') + QString(1000000, QLatin1Char('x'));
    EXPECT_EQ(unterminated.match(str, 0), str.size());
}

} // namespace
