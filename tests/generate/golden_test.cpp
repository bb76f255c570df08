// Generated text of hand-made devices for every combination of output options that matters,
// compared line by line with tests/fixtures/generate/golden/<device>.txt. Run update-golden.sh to
// rewrite the files after a deliberate change, then review the diff.

#include "generatetestsupport.h"
#include "testsupport.h"

#include <QFile>
#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace {

struct Combination {
    QString name;
    OutputOptions options;
};

QString onOff(bool b)
{
    return b ? QStringLiteral("on") : QStringLiteral("off");
}

Combination combination(bool oldStyle, bool longLines, bool tessel3, bool headers, bool verify,
                        bool comments, int column)
{
    Combination c;
    c.options.oldStyle = oldStyle;
    c.options.longLines = longLines;
    c.options.commentsEnabled = !longLines; // as the line-mode radios leave it
    c.options.tessel3 = tessel3;
    c.options.headers = headers;
    c.options.verifyMcu = verify;
    c.options.comments = comments;
    c.options.commentColumn = column;
    c.name = QStringLiteral("style=%1 lines=%2 tessel3=%3 headers=%4 verify=%5")
                 .arg(oldStyle ? QStringLiteral("old") : QStringLiteral("new"),
                      longLines ? QStringLiteral("long") : QStringLiteral("one"), onOff(tessel3),
                      onOff(headers), onOff(verify));
    if (!longLines)
        c.name += QStringLiteral(" comments=%1 column=%2").arg(onOff(comments)).arg(column);
    return c;
}

// Verify only matters together with Tessel3; the column and comments only in one-per-line mode.
std::vector<Combination> combinations()
{
    std::vector<Combination> all;
    for (bool oldStyle : {false, true}) {
        for (bool longLines : {false, true}) {
            for (bool tessel3 : {true, false}) {
                for (bool headers : {true, false}) {
                    for (bool verify :
                         tessel3 ? std::vector<bool>{true, false} : std::vector<bool>{true})
                        all.push_back(
                            combination(oldStyle, longLines, tessel3, headers, verify, true, 30));
                }
            }
            if (!longLines) {
                for (int column : {0, 1, 80})
                    all.push_back(combination(oldStyle, false, true, true, true, true, column));
                all.push_back(combination(oldStyle, false, true, true, true, false, 30));
            }
        }
    }
    return all;
}

QStringList section(const Combination &c, const GenerationResult &r)
{
    QStringList lines{QStringLiteral("=== ") + c.name};
    lines += r.lines;
    lines.append(QStringLiteral("--- lexer ") +
                 (r.lexer.isEmpty() ? QStringLiteral("(unchanged)") : r.lexer));
    for (const QString &e : r.errors)
        lines.append(QStringLiteral("--- error ") + e);
    return lines;
}

std::map<QString, QStringList> readSections(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    std::map<QString, QStringList> sections;
    QStringList *current = nullptr;
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("=== ")))
            current = &sections[line.mid(4)];
        if (current)
            current->append(line);
    }
    return sections;
}

struct GoldenDevice {
    const char *fixture;
    const char *mcu;
};

class GoldenTest : public ::testing::TestWithParam<GoldenDevice> {};

TEST_P(GoldenTest, MatchesGoldenText)
{
    const GoldenDevice device = GetParam();
    ConfigSession session;
    loadFixtureDevice(session, QLatin1String(device.mcu), QLatin1String(device.fixture));

    const QString path = TestSupport::fixturePath(
        QStringLiteral("generate/golden/%1.txt").arg(QLatin1String(device.fixture)));
    if (qEnvironmentVariableIsSet("ORVEX_UPDATE_GOLDEN")) {
        QStringList all;
        for (Combination c : combinations()) {
            c.options.mcuName = QLatin1String(device.mcu);
            all += section(c, generate(session, c.options));
        }
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write((all.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        return;
    }

    std::map<QString, QStringList> expected = readSections(path);
    ASSERT_FALSE(expected.empty()) << "no golden file " << path.toStdString();
    for (Combination c : combinations()) {
        SCOPED_TRACE(c.name.toStdString());
        c.options.mcuName = QLatin1String(device.mcu);
        const QStringList actual = section(c, generate(session, c.options));
        auto it = expected.find(c.name);
        ASSERT_NE(it, expected.end()) << "section missing from " << path.toStdString();
        const QStringList &want = it->second;
        for (qsizetype i = 0; i < qMax(want.size(), actual.size()); ++i) {
            EXPECT_EQ(i < want.size() ? want[i].toStdString() : "<no line>",
                      i < actual.size() ? actual[i].toStdString() : "<no line>")
                << "line " << i << " of the section";
        }
        expected.erase(it);
    }
    for (const auto &[name, lines] : expected)
        ADD_FAILURE() << "golden section not generated any more: " << name.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Devices, GoldenTest,
                         ::testing::Values(GoldenDevice{"single", "10X200"},
                                           GoldenDevice{"multi", "18X2550"},
                                           GoldenDevice{"packing", "16X1827"}),
                         [](const auto &info) { return std::string(info.param.fixture); });

} // namespace
