#include "syntaxrules.h"
#include "taglist.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char *name;
    TTagConditionType type;
    bool ignoreCase;
    QStringList tags;
    QString text;
    bool accepted;
};

// Checks the case; the pre-tests that sort rules out in advance must never refuse an accepted token.
void check(const Case &c)
{
    TagList tags(c.tags);
    TagCondition cond;
    cond.CondType = c.type;
    cond.IgnoreCase = c.ignoreCase;
    cond.tags = &tags;
    cond.rebuild();
    EXPECT_EQ(cond.accepts(c.text, 2), c.accepted) << c.name;
    if (c.accepted) {
        EXPECT_TRUE(cond.mayAcceptType(2)) << c.name;
        EXPECT_TRUE(cond.mayAcceptLength(c.text.size())) << c.name;
        EXPECT_TRUE(c.text.isEmpty() || cond.mayAcceptFirst(c.text.front().unicode())) << c.name;
    }
}

} // namespace

// The length and first-character filters and the hashed lookup must answer as a plain search.
TEST(TagCondition, AcceptsExactlyTheTags)
{
    const QString longTag(70, QLatin1Char('a'));
    QStringList many;
    for (int i = 0; i < 500; ++i)
        many << QStringLiteral("w%1").arg(i);
    const Case cases[] = {
        {"folded", tcEqual, true, {"Sub"}, "sUB", true},
        {"folded other length", tcEqual, true, {"Sub"}, "subs", false},
        {"folded beyond ASCII", tcEqual, true, {"kelvin"}, QStringLiteral(u"\u212Aelvin"), true},
        {"tag beyond ASCII", tcEqual, true, {QStringLiteral(u"\u00C4x")}, QStringLiteral(u"\u00E4X"), true},
        {"case kept", tcEqual, false, {"FOSC"}, "fosc", false},
        {"case kept match", tcEqual, false, {"fosc", "FOSC"}, "FOSC", true},
        {"long tag", tcEqual, true, {longTag}, longTag.toUpper(), true},
        {"long text, long tag", tcEqual, true, {longTag}, QString(64, QLatin1Char('a')), false},
        {"empty tag", tcEqual, true, {QString()}, "", true},
        {"empty tag, some text", tcEqual, true, {QString()}, "x", false},
        {"many tags", tcEqual, true, many, "W499", true},
        {"many tags, none", tcEqual, true, many, "w500", false},
        {"not equal", tcNotEqual, true, {"end"}, "END", false},
        {"not equal, other", tcNotEqual, true, {"end"}, "ends", true},
        {"mask prefix", tcMask, true, {"\\#config"}, "#CONFIG x", true},
        {"mask elsewhere", tcMask, true, {"\\#config"}, "x#config", false},
        {"mask second pattern", tcMask, true, {"\\#config", "end"}, "End", true},
        {"mask any beyond ASCII", tcMask, true, {"\\w+"}, QStringLiteral(u"\u00E9t\u00E9"), true},
        {"strict mask", tcStrictMask, true, {"\\#end"}, "#endx", false},
        {"strict mask whole", tcStrictMask, true, {"\\#end\\w*"}, "#endx", true},
    };
    for (const Case &c : cases)
        check(c);
}

// Device loads fill the lists after the lexer was built: the filters must follow.
TEST(TagCondition, RebuildFollowsTheList)
{
    for (const bool ignoreCase : {false, true}) {
        TagList tags(QStringList{QString()});
        TagCondition cond;
        cond.IgnoreCase = ignoreCase;
        cond.tags = &tags;
        cond.rebuild();
        EXPECT_FALSE(cond.accepts(u"_CP_OFF", 2));
        tags.add(QStringLiteral("_CP_OFF"));
        tags.add(QStringLiteral("Fosc"));
        cond.rebuild();
        EXPECT_TRUE(cond.accepts(u"_CP_OFF", 2));
        EXPECT_TRUE(cond.accepts(u"Fosc", 2));
        EXPECT_EQ(cond.accepts(u"FOSC", 2), ignoreCase);
        tags.clear();
        tags.add(QStringLiteral("x"));
        cond.rebuild();
        EXPECT_FALSE(cond.accepts(u"_CP_OFF", 2));
        EXPECT_TRUE(cond.accepts(u"x", 2));
    }
}
