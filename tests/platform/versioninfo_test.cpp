#include "testsupport.h"
#include "versioninfo.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QByteArray orvexSection("ORVEXVERSION 1\n"
                              "fixed 1.2.3.65535\n"
                              "translation 0409 04E4\n"
                              "block 040904E4\n"
                              "CompanyName=Tarnwell\n"
                              "OriginalFilename=Orvex.exe\n"
                              "Comments=a = b\n");

void put(QByteArray &b, qsizetype at, quint64 value, int width, bool little)
{
    for (int i = 0; i < width; ++i)
        b[at + (little ? i : width - 1 - i)] = char((value >> (8 * i)) & 0xFF);
}

// A minimal relocatable ELF file: null section, ".text", the named section, ".shstrtab".
QByteArray buildElf(bool is64, bool little, const QByteArray &sectionName,
                    const QByteArray &contents)
{
    const int ehsize = is64 ? 64 : 52;
    const int shentsize = is64 ? 64 : 40;
    const QByteArray names =
        QByteArray("\0.text\0", 7) + sectionName + '\0' + QByteArray(".shstrtab\0", 10);
    QByteArray image(ehsize, '\0');
    image.replace(0, 4,
                  "\x7f"
                  "ELF");
    image[4] = char(is64 ? 2 : 1);
    image[5] = char(little ? 1 : 2);
    image[6] = 1;
    const qsizetype text = image.size();
    image += "code";
    const qsizetype data = image.size();
    image += contents;
    const qsizetype strtab = image.size();
    image += names;
    while (image.size() % 8)
        image += '\0';
    const qsizetype shoff = image.size();
    image += QByteArray(4 * shentsize, '\0');

    put(image, is64 ? 0x28 : 0x20, quint64(shoff), is64 ? 8 : 4, little);
    put(image, is64 ? 0x3A : 0x2E, quint64(shentsize), 2, little);
    put(image, is64 ? 0x3C : 0x30, 4, 2, little);
    put(image, is64 ? 0x3E : 0x32, 3, 2, little);
    auto section = [&](int index, quint32 name, quint32 type, qsizetype offset, qsizetype size) {
        const qsizetype at = shoff + index * shentsize;
        put(image, at, name, 4, little);
        put(image, at + 4, type, 4, little);
        put(image, at + (is64 ? 24 : 16), quint64(offset), is64 ? 8 : 4, little);
        put(image, at + (is64 ? 32 : 20), quint64(size), is64 ? 8 : 4, little);
    };
    section(1, 1, 1, text, 4);
    section(2, 7, 1, data, contents.size());
    section(3, quint32(7 + sectionName.size() + 1), 3, strtab, names.size());
    return image;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(VersionInfo, FindsTheSectionInEveryElfClassAndByteOrder)
{
    for (const bool is64 : {true, false}) {
        for (const bool little : {true, false}) {
            SCOPED_TRACE(testing::Message() << "64-bit " << is64 << " little " << little);
            const auto info = VersionInfo::fromElfImage(
                buildElf(is64, little, ".orvex_version", orvexSection + QByteArray(5, '\0')));
            ASSERT_TRUE(info.has_value());
            EXPECT_EQ(info->fixedFileVersionText(), QStringLiteral("1.2.3.65535"));
            EXPECT_EQ(
                info->stringValue(QStringLiteral("040904e4"), QStringLiteral("OriginalFileName")),
                QStringLiteral("Orvex.exe"));
            EXPECT_EQ(info->stringValue(QStringLiteral("040904E4"), QStringLiteral("Comments")),
                      QStringLiteral("a = b"));
            EXPECT_FALSE(
                info->stringValue(QStringLiteral("040904E4"), QStringLiteral("LegalCopyright")));
            EXPECT_FALSE(
                info->stringValue(QStringLiteral("040704B0"), QStringLiteral("CompanyName")));
        }
    }
}

TEST(VersionInfo, NoVersionInformationInOtherOrDamagedFiles)
{
    const QByteArray good = buildElf(true, true, ".orvex_version", orvexSection);
    ASSERT_TRUE(VersionInfo::fromElfImage(good));

    auto patched = [&](qsizetype at, quint64 value, int width) {
        QByteArray b = good;
        put(b, at, value, width, true);
        return b;
    };
    const qsizetype shoff = qsizetype(quint8(good[0x28])) | qsizetype(quint8(good[0x29])) << 8;
    const struct {
        const char *what;
        QByteArray image;
    } cases[] = {
        {"empty", QByteArray()},
        {"text file", QByteArray("Just some text that is long enough to hold an ELF header, but is "
                                 "not one at all.")},
        {"other section name", buildElf(true, true, ".orvex_versions", orvexSection)},
        {"other section contents",
         buildElf(true, true, ".orvex_version", "VERSION 1\nfixed 1.0.0.0\n")},
        {"header only", good.first(64)},
        {"cut in the section headers", good.first(good.size() - 10)},
        {"bad class", patched(4, 7, 1)},
        {"bad byte order", patched(5, 0, 1)},
        {"section headers beyond the end", patched(0x28, quint64(good.size()) + 100, 8)},
        {"huge section header offset", patched(0x28, ~0ull - 10, 8)},
        {"tiny entry size", patched(0x3A, 8, 2)},
        {"huge entry size", patched(0x3A, 0xFFFF, 2)},
        {"too many sections", patched(0x3C, 0xFFFE, 2)},
        {"names index out of range", patched(0x3E, 9, 2)},
        {"no sections, empty first header", patched(0x3C, 0, 2)},
        {"section offset beyond the end", patched(shoff + 2 * 64 + 24, ~0ull - 3, 8)},
        {"section size beyond the end", patched(shoff + 2 * 64 + 32, ~0ull, 8)},
        {"section without file data", patched(shoff + 2 * 64 + 4, 8, 4)},
        {"name offset beyond the names", patched(shoff + 2 * 64, 0xFFFFFFF0u, 4)},
        {"names size beyond the end", patched(shoff + 3 * 64 + 32, quint64(good.size()) * 2, 8)},
    };
    for (const auto &c : cases)
        EXPECT_FALSE(VersionInfo::fromElfImage(c.image).has_value()) << c.what;
}

TEST(VersionInfo, SectionTextIsReadDefensively)
{
    EXPECT_FALSE(VersionInfo::fromSection("fixed 1.0.0.0\n"));
    EXPECT_FALSE(VersionInfo::fromSection("ORVEXVERSION 1\xff\n"));

    const auto info = VersionInfo::fromSection(QByteArrayView("ORVEXVERSION 1\n"
                                                              "Orphan=before any block\n"
                                                              "fixed 1.70000.0.0\n"
                                                              "icon star\n"
                                                              "block 040904E4\n"
                                                              "=no key\n"
                                                              "Comments=Beta\0"
                                                              "ProductName=after the end\n",
                                                              120));
    ASSERT_TRUE(info);
    EXPECT_FALSE(info->fixedFileVersion) << "a part above 65535 makes no fixed version";
    ASSERT_EQ(info->stringTables.size(), 1);
    ASSERT_EQ(info->stringTables[0].fields.size(), 1);
    EXPECT_EQ(info->stringTables[0].fields[0].key, QStringLiteral("Comments"));
}

// The build puts the project version into the command-line program; the file reader and the
// command find it there, and a file without the section reads "No version information found".
TEST(VersionInfo, ProgramFilesCarryTheProjectVersion)
{
    const QString cli = QStringLiteral(ORVEX_CLI_PATH);
    const auto info = VersionInfo::fromFile(cli);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->fixedFileVersionText(), QStringLiteral(ORVEX_PROJECT_VERSION));
    EXPECT_EQ(info->stringValue(QStringLiteral("040904E4"), QStringLiteral("FileVersion")),
              QStringLiteral(ORVEX_PROJECT_VERSION));
    EXPECT_EQ(VersionInfo::fromElfImage(readFile(cli))->stringTables[0].fields.size(),
              info->stringTables[0].fields.size());

    const TestSupport::CliResult result = TestSupport::runCli({QStringLiteral("version"), cli});
    EXPECT_EQ(result.exitCode, 0);
    QStringList expected{QStringLiteral("Fixed file version: ") + info->fixedFileVersionText(),
                         QStringLiteral("[040904E4]")};
    for (const VersionInfo::Field &f : info->stringTables[0].fields)
        expected << f.key + QStringLiteral(" = ") + f.value;
    EXPECT_EQ(result.outLines(), expected);

    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain.bin"));
    QFile f(plain);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(readFile(QStringLiteral("/proc/self/exe")).first(200)); // an ELF cut short
    f.close();
    EXPECT_FALSE(VersionInfo::fromFile(plain));
    const TestSupport::CliResult none = TestSupport::runCli({QStringLiteral("version"), plain});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.outLines(), QStringList{QStringLiteral("No version information found")});

    EXPECT_FALSE(VersionInfo::fromFile(QStringLiteral("/proc/self/exe")))
        << "tests carry no section";
    EXPECT_FALSE(VersionInfo::fromFile(dir.filePath(QStringLiteral("missing"))));
    EXPECT_EQ(TestSupport::runCli({QStringLiteral("version"), dir.path()}).exitCode, 1);
    EXPECT_EQ(TestSupport::runCli({QStringLiteral("version")}).exitCode, 2);
}
