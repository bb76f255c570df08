// Each input in tests/fixtures/lexer is analysed by orvex-cli lex and compared with the expected
// output beside it (regenerate with tests/fixtures/lexer/update.sh).

#include "testsupport.h"

#include <QDir>
#include <gtest/gtest.h>

TEST(LexerGolden, OutputMatchesExpectedFiles)
{
    const QDir dir(TestSupport::fixturePath(QStringLiteral("lexer")));
    const QStringList inputs = dir.entryList({QStringLiteral("*.bas"), QStringLiteral("*.asm")}, QDir::Files);
    ASSERT_FALSE(inputs.isEmpty());
    for (const QString &name : inputs) {
        const QString lexer = name.endsWith(QLatin1String(".asm")) ? QStringLiteral("MPASM") : QStringLiteral("Tessel");
        const auto result = TestSupport::runCli({QStringLiteral("lex"), QStringLiteral("--lexer"), lexer,
                                                 dir.filePath(name)});
        ASSERT_EQ(result.exitCode, 0) << name.toStdString() << result.err.toStdString();
        const QString expected = QString::fromUtf8(TestSupport::readFixture(QStringLiteral("lexer/") + name + ".lex"));
        EXPECT_EQ(result.out.toStdString(), expected.toStdString()) << name.toStdString();
    }
}

TEST(LexerGolden, CountAndUnknownLexer)
{
    const QString input = TestSupport::fixturePath(QStringLiteral("lexer/config-block.bas"));
    const auto count = TestSupport::runCli({QStringLiteral("lex"), QStringLiteral("--count"), input});
    EXPECT_EQ(count.exitCode, 0);
    EXPECT_EQ(count.out, QStringLiteral("11\n"));

    const auto unknown = TestSupport::runCli({QStringLiteral("lex"), QStringLiteral("--lexer"), QStringLiteral("Pascal"), input});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("Pascal")));
    EXPECT_TRUE(unknown.out.isEmpty());
}

TEST(LexerGolden, DeviceNamesJoinTheDefinitionsOwnLists)
{
    TestSupport::DataDir data;
    data.addFixtureTree(QStringLiteral("X1"), QStringLiteral("desc_lines"));
    data.writeFile(QStringLiteral("in.asm"), "  __CONFIG _WDTE_OFF & _lp_osc & _CP_OFF\r\n  CONFIG WDTE = OFF, CLKOUTEN = HS\r\n");
    const auto r = TestSupport::runCli({QStringLiteral("--data"), data.path(), QStringLiteral("lex"), QStringLiteral("--lexer"),
                                        QStringLiteral("MPASM"), QStringLiteral("--device"), QStringLiteral("X1"),
                                        data.path() + QStringLiteral("/in.asm")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.outLines();
    EXPECT_TRUE(lines.contains(QStringLiteral("11\t20\t2\tConfig Bits\tMPASM"))) << r.out.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("23\t30\t2\tConfig Bits\tMPASM"))); // legacy name, any case
    EXPECT_TRUE(lines.contains(QStringLiteral("33\t40\t2\tIdent\tMPASM")));
    EXPECT_TRUE(lines.contains(QStringLiteral("51\t55\t2\tNewStyle Config Bits\tMPASM")));
    // CLKOUTEN is not the device's, but the definition's own list still holds it
    EXPECT_TRUE(lines.contains(QStringLiteral("63\t71\t2\tNewStyle Config Bits\tMPASM")));
}
