#include "scrambler.h"
#include "testsupport.h"

#include <QFile>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using TestSupport::runCli;

namespace {

TEST(CliDevices, PrintsTheMcuBoxEntries)
{
    TestSupport::DataDir data;
    data.writeCatalogue("PIC10F200\r\n;--- PIC16 ---\r\nPIC17C42\r\nPIC16F84A\r\n");
    const auto r = runCli({"--data", data.path(), "devices"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.outLines(), QStringList({"10F200", ";--- PIC16 ---", "16F84A"}));
}

TEST(CliDevices, MissingCatalogueIsAnError)
{
    TestSupport::DataDir data;
    const auto r = runCli({"--data", data.path(), "devices"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith("Cannot open file \"")) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
}

TEST(CliTree, PrintsVisibleTreeStylesAndNameLists)
{
    TestSupport::DataDir data;
    data.addFixtureTree("12X508", "single_register");
    const auto r = runCli({"--data", data.path(), "tree", "12X508"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.outLines(), QStringList({
                                "0\t-1\t0\t12X508",
                                "1\t-1\t0\tCONFIG",
                                "2\t-1\t0\tCP",
                                "3\t-1\t0\tProtected",
                                "3\t-1\t6\tUnprotected",
                                "2\t-1\t0\tMCLRE",
                                "3\t-1\t0\tEnabled",
                                "old-style\t1",
                                "new-style\t0",
                                "ConfigBits\t\t_CP_OFF\t_CP_ON\t_MCLRE_ON",
                                "NewConfigBits\tCLKOUTEN\tFOSC\tMCLRE",
                            }));
}

TEST(CliTree, NothingLoadedExitsOne)
{
    TestSupport::DataDir data;
    data.addFixtureTree("16X88", "level_error");
    const auto missing = runCli({"--data", data.path(), "tree", "NOPE"});
    EXPECT_EQ(missing.exitCode, 1);
    const auto comment = runCli({"--data", data.path(), "tree", ";16X88"});
    EXPECT_EQ(comment.exitCode, 1);
    const auto level = runCli({"--data", data.path(), "tree", "16X88"});
    EXPECT_EQ(level.exitCode, 1);
    EXPECT_EQ(level.err.trimmed(),
              QStringLiteral("Invalid level (5) for item \"desc = too deep\""));
}

TEST(Cli, UsageErrorsExitTwo)
{
    const QStringList bad[] = {{},         {"frobnicate"},   {"tree"}, {"tree", "a", "b"},
                               {"--data"}, {"scramble", "x"}};
    for (const QStringList &args : bad) {
        const auto r = runCli(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("Usage: orvex-cli")) << args.join(' ').toStdString();
    }
    const auto help = runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("Usage: orvex-cli"));
}

TEST(CliScramble, UnscrambleRestoresTheFixture)
{
    TestSupport::DataDir data;
    const QString plain = TestSupport::fixturePath("trees/desc_lines.txt");
    const QString scrambled = data.path() + "/s.cfgtree";
    const QString back = data.path() + "/back.txt";
    ASSERT_EQ(runCli({"scramble", plain, scrambled}).exitCode, 0);
    ASSERT_EQ(runCli({"unscramble", scrambled, back}).exitCode, 0);
    QFile a(plain), b(back), s(scrambled);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) &&
                s.open(QIODevice::ReadOnly));
    const QByteArray original = a.readAll();
    EXPECT_EQ(b.readAll(), original);
    EXPECT_EQ(s.readAll(), Scrambler::transform(original));
    EXPECT_EQ(runCli({"unscramble", data.path() + "/none", back}).exitCode, 1);
}

// Hostile device files: each must end with the program's own error or an empty result, never a
// crash or a hang.
TEST(CliTree, HostileFilesNeverCrash)
{
    TestSupport::DataDir data;
    QByteArray garbage(1 << 20, Qt::Uninitialized);
    for (char &c : garbage)
        c = static_cast<char>(QRandomGenerator::global()->bounded(256));
    data.writeFile("PIC/PICGARBAGE.cfgtree", garbage);

    QByteArray deep;
    for (int i = 0; i < 10000; ++i)
        deep += QByteArray(i, '\t') + "n\n";
    data.writeTree("DEEP", deep);
    data.writeTree("JUMP", "dev\n" + QByteArray(10000, ' ') + "x\n");
    data.writeTree("UTF16", QByteArray("\xFF\xFE"
                                       "d\0e\0\x00\xDC\n\0\t\0x",
                                       13));

    // 100 MB of one line repeated: large, but an ordinary flat tree.
    QByteArray big;
    const QByteArray line = "\tCONFIG " + QByteArray(90, 'x') + "\n";
    big.reserve(100 << 20);
    big += "dev\n";
    while (big.size() < (100 << 20))
        big += line;
    data.writeTree("BIG", big);

    for (const char *mcu : {"GARBAGE", "DEEP", "JUMP", "UTF16", "BIG"}) {
        const auto r = runCli({"--data", data.path(), "tree", mcu});
        EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1) << mcu << ": " << r.err.toStdString();
        if (r.exitCode == 1) {
            EXPECT_FALSE(r.err.isEmpty()) << mcu;
        }
    }
    const auto jump = runCli({"--data", data.path(), "tree", "JUMP"});
    EXPECT_EQ(jump.err.trimmed(), "Invalid level (10000) for item \"x\"");
    const auto deepResult = runCli({"--data", data.path(), "tree", "DEEP"});
    EXPECT_EQ(deepResult.exitCode, 0);
}

} // namespace
