#include "filesystempath.h"
#include "orvexerror.h"
#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct DecodeCase {
    const char *name;
    QByteArray bytes;
    QString expected;
};

class DecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, DecodesByMarkOrWindows1252)
{
    EXPECT_EQ(TextFile::decode(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, DecodeTest,
    testing::Values(
        DecodeCase{"Utf8Mark", QByteArray("\xEF\xBB\xBFPIC\xC3\xA9"), QStringLiteral("PIC\u00E9")},
        DecodeCase{"Utf16LeMark", QByteArray("\xFF\xFEP\0I\0C\0", 8), QStringLiteral("PIC")},
        DecodeCase{"Utf16BeMark", QByteArray("\xFE\xFF\0P\0I\0C", 8), QStringLiteral("PIC")},
        // Without a mark every byte is one Windows-1252 character, UTF-8 sequences included.
        DecodeCase{"NoMark", QByteArray("\x80\xA7\xC3\xA9"),
                   QStringLiteral("\u20AC\u00A7\u00C3\u00A9")},
        DecodeCase{"NulEndsText", QByteArray("AB\0CD", 5), QStringLiteral("AB")},
        DecodeCase{"NulEndsUtf16Text",
                   QByteArray("\xFF\xFE"
                              "A\0\0\0B\0",
                              8),
                   QStringLiteral("A")},
        // Half a code unit at the end of UTF-16 text is dropped; a lone surrogate is kept as it is.
        DecodeCase{"TruncatedUtf16",
                   QByteArray("\xFF\xFE"
                              "A\0B",
                              5),
                   QStringLiteral("A")},
        DecodeCase{"LoneSurrogate",
                   QByteArray("\xFF\xFE"
                              "\x00\xD8"
                              "A\0",
                              6),
                   QString(QChar(0xD800)) + QLatin1Char('A')},
        DecodeCase{"Empty", QByteArray(), QString()}),
    [](const auto &info) { return std::string(info.param.name); });

struct SplitCase {
    const char *name;
    QString text;
    QStringList lines;
};

class SplitTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, SplitsAtEveryKindOfBreak)
{
    EXPECT_EQ(TextFile::splitLines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Breaks, SplitTest,
    testing::Values(SplitCase{"Mixed", QStringLiteral("a\r\nb\nc\rd"), {"a", "b", "c", "d"}},
                    SplitCase{"FinalBreakAddsNothing", QStringLiteral("a\nb\n"), {"a", "b"}},
                    SplitCase{"CrCrIsTwoBreaks", QStringLiteral("a\r\rb"), {"a", "", "b"}},
                    SplitCase{"LfCrIsTwoBreaks", QStringLiteral("a\n\rb"), {"a", "", "b"}},
                    SplitCase{
                        "KeepsSpacesAndEmptyLines", QStringLiteral(" a \n\n b"), {" a ", "", " b"}},
                    SplitCase{"OnlyABreak", QStringLiteral("\r\n"), {""}},
                    SplitCase{"Empty", QString(), {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TextFile, ReadsBackslashPathsRelativeToWorkingDirectory)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("PIC");
    QFile f(dir.path() + "/PIC/DEVICES.txt");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("PIC16F84\r\nPIC12F675");
    f.close();

    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const QStringList lines = TextFile::readLines("PIC\\DEVICES.txt");
    QDir::setCurrent(previous);
    EXPECT_EQ(lines, QStringList({"PIC16F84", "PIC12F675"}));
}

TEST(TextFile, MissingFileRaisesTheOpenErrorWithAbsolutePath)
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QString message;
    try {
        TextFile::readLines("PIC\\DEVICES.txt");
    } catch (const OrvexError &e) {
        message = e.message();
    }
    QDir::setCurrent(previous);
    EXPECT_EQ(message,
              QStringLiteral("Cannot open file \"%1/PIC/DEVICES.txt\". No such file or directory")
                  .arg(QDir(dir.path()).canonicalPath()));
}

TEST(FileSystemPath, ConvertsEveryBackslash)
{
    EXPECT_EQ(toFileSystemPath("PIC\\PIC16F84.cfgtree"), "PIC/PIC16F84.cfgtree");
    EXPECT_EQ(toFileSystemPath("a\\\\b/c"), "a//b/c");
}

} // namespace
