#include "generatetestsupport.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using TestSupport::runCli;

namespace {

class CliGenerateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        data.addFixtureTree(QStringLiteral("10X200"), QStringLiteral("../generate/trees/single"));
        data.addFixtureTree(QStringLiteral("18X2550"), QStringLiteral("../generate/trees/multi"));
        data.addFixtureTree(QStringLiteral("16X1827"), QStringLiteral("../generate/trees/packing"));
    }

    TestSupport::CliResult generate(const QString &mcu, const QStringList &args)
    {
        return runCli(
            QStringList{QStringLiteral("--data"), data.path(), QStringLiteral("generate"), mcu} +
            args);
    }

    TestSupport::DataDir data;
};

// Each action sequence must leave the pane as the generator writes it for the resulting controls.
TEST_F(CliGenerateTest, ActionsSetTheOutputControls)
{
    ConfigSession session;
    loadFixtureDevice(session, QStringLiteral("10X200"), QStringLiteral("single"));
    const auto options = [](auto change) {
        OutputOptions o;
        o.mcuName = QStringLiteral("10X200");
        change(o);
        return o;
    };
    const struct Case {
        QStringList args;
        OutputOptions expected;
    } cases[] = {
        {{}, options([](OutputOptions &) {})},
        {{"--style", "old"}, options([](OutputOptions &o) { o.oldStyle = true; })},
        // "Long Lines" disables the comments box; checking it then changes nothing visible.
        {{"--lines", "long", "--comments", "off", "--comments", "on"},
         options([](OutputOptions &o) { o.longLines = true, o.commentsEnabled = false; })},
        {{"--lines", "long", "--lines", "one", "--column", "5"},
         options([](OutputOptions &o) { o.commentColumn = 5; })},
        {{"--column", "500"}, options([](OutputOptions &o) { o.commentColumn = 80; })},
        {{"--column", "-7"}, options([](OutputOptions &o) { o.commentColumn = 0; })},
        {{"--column", "99999999999999999999999"},
         options([](OutputOptions &o) { o.commentColumn = 80; })},
        {{"--tessel3", "off", "--headers", "off", "--style", "old"}, options([](OutputOptions &o) {
             o.tessel3 = false, o.headers = false, o.oldStyle = true;
         })},
        {{"--verify", "off", "--comments", "off"},
         options([](OutputOptions &o) { o.verifyMcu = false, o.comments = false; })},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        const TestSupport::CliResult r = generate(QStringLiteral("10X200"), c.args);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.outLines(), ::generate(session, c.expected).lines);
    }
}

TEST_F(CliGenerateTest, ChooseAndUnselectRegenerate)
{
    const TestSupport::CliResult chosen =
        generate(QStringLiteral("18X2550"), {"--lines", "long", "--choose", "PLLDIV=Divide by 5"});
    ASSERT_EQ(chosen.exitCode, 0) << chosen.err.toStdString();
    EXPECT_TRUE(chosen.out.contains(QLatin1String("  CONFIG  PLLDIV=5, CPUDIV=OSC2_PLL3,")));

    // Without its choice the setting falls back to the compiler default.
    const TestSupport::CliResult unselected =
        generate(QStringLiteral("18X2550"), {"--lines", "long", "--choose", "PLLDIV=Divide by 5",
                                             "--unselect", "PLLDIV=Divide by 5"});
    ASSERT_EQ(unselected.exitCode, 0) << unselected.err.toStdString();
    EXPECT_TRUE(unselected.out.contains(QLatin1String("  CONFIG  PLLDIV=2, CPUDIV=OSC2_PLL3,")));
}

TEST_F(CliGenerateTest, ErrorsAreThoseOfTheLastRegeneration)
{
    const TestSupport::CliResult r =
        generate(QStringLiteral("18X2550"), {"--style", "old", "--lines", "long", "--errors"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, QStringLiteral("On Not Found\n"));
}

TEST_F(CliGenerateTest, LexerStaysWhenARunLeavesItUnchanged)
{
    const std::pair<QStringList, const char *> cases[] = {
        {{}, "Tessel"},
        {{"--tessel3", "off"}, "MPASM"},
        {{"--tessel3", "off", "--headers", "off"}, "MPASM"},
        {{"--headers", "off", "--tessel3", "off"}, "Tessel"},
        {{"--tessel3", "off", "--style", "old"}, "MPASM"}, // old style not available: unchanged
    };
    for (const auto &[args, lexer] : cases) {
        const TestSupport::CliResult r =
            generate(QStringLiteral("16X1827"), args + QStringList{"--show-lexer"});
        ASSERT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, QStringLiteral("lexer\t%1\n").arg(QLatin1String(lexer)))
            << args.join(' ').toStdString();
    }
}

TEST_F(CliGenerateTest, LoadingAnOldStyleOnlyDeviceChecksOld)
{
    data.writeTree(QStringLiteral("9X9"),
                   "9X9\n\tCONFIG\n\t\tA\n\t\t\ton\n\t\t\t\t__config = _A_ON\n"
                   "\t\t\t\tdefault = true\n");
    const TestSupport::CliResult r = generate(
        QStringLiteral("9X9"), {"--headers", "off", "--verify", "off", "--comments", "off"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.outLines(),
              (QStringList{"#CONFIG", "cfg = _A_ON", "  __CONFIG cfg", "", "#ENDCONFIG", ""}));
}

TEST_F(CliGenerateTest, FailuresAndUsageErrors)
{
    const std::pair<QStringList, int> cases[] = {
        {{"NOPE"}, 1},
        {{";10X200"}, 1},
        {{"10X200", "--choose", "OSC=Nope"}, 1},
        {{"10X200", "--unselect", "NOPE=On"}, 1},
        {{"10X200", "--choose", "OSC"}, 2},
        {{"10X200", "--column", "abc"}, 2},
        {{"10X200", "--style", "mid"}, 2},
        {{"10X200", "--headers"}, 2},
        {{"10X200", "--bogus"}, 2},
        {{"10X200", "10X200"}, 2},
        {{}, 2},
    };
    for (const auto &[args, exitCode] : cases) {
        const TestSupport::CliResult r = runCli(
            QStringList{QStringLiteral("--data"), data.path(), QStringLiteral("generate")} + args);
        EXPECT_EQ(r.exitCode, exitCode) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << args.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty()) << args.join(' ').toStdString();
    }
}

} // namespace
