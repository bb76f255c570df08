#include "About.h"
#include "testsupport.h"

#include <QApplication>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QStringList gridRows(const TAboutBox &box)
{
    QStringList rows;
    for (int r = 0; r < box.ValueListEditor1->rowCount(); ++r) {
        const QTableWidgetItem *key = box.ValueListEditor1->item(r, 0);
        const QTableWidgetItem *value = box.ValueListEditor1->item(r, 1);
        rows << (key ? key->text() : QString()) + QLatin1Char('|') +
                    (value ? value->text() : QString());
    }
    return rows;
}

// Shows the box modally and closes it with OK, as Help > About and the user would.
void showAndClose(TAboutBox &box)
{
    QTimer::singleShot(0, &box, [&box] { box.OKButton->click(); });
    EXPECT_EQ(box.exec(), QDialog::Accepted);
}

} // namespace

TEST(AboutBox, ListsTheProgramsVersionFieldsOnce)
{
    const QString program = QStringLiteral(ORVEX_APP_PATH);
    TAboutBox box(nullptr, program);
    const QStringList expected = {
        QStringLiteral("CompanyName = Tarnwell"),
        QStringLiteral("FileDescription = Configuration Generator for Tessel3"),
        QStringLiteral("FileVersion = 1.0.0.11"),
        QStringLiteral("InternalName = Orvex"),
        QString(),
        QString(),
        QStringLiteral("OriginalFileName = Orvex.exe"),
        QStringLiteral("ProductName = Orvex"),
        QStringLiteral("ProductVersion = 1.0.0.11"),
        QStringLiteral("Comments = Beta"),
        QString(),
    };
    EXPECT_EQ(box.versionRows(), expected);
    EXPECT_EQ(box.ValueListEditor1->item(2, 0)->text(), QStringLiteral("FileVersion "));
    EXPECT_EQ(box.ValueListEditor1->item(2, 1)->text(), QStringLiteral(" 1.0.0.11"));

    const QStringList shown = gridRows(box);
    showAndClose(box);
    showAndClose(box);
    EXPECT_EQ(box.versionRows(), expected);
    EXPECT_EQ(gridRows(box), shown);

    // Every filled row is a field that orvex-cli reads from the same file, key spelling aside.
    const TestSupport::CliResult cli = TestSupport::runCli({QStringLiteral("version"), program});
    ASSERT_EQ(cli.exitCode, 0);
    QStringList cliLower;
    for (const QString &line : cli.outLines())
        cliLower << line.toLower();
    for (const QString &row : box.versionRows()) {
        if (!row.isEmpty()) {
            EXPECT_TRUE(cliLower.contains(row.toLower())) << row.toStdString();
        }
    }
    EXPECT_TRUE(cliLower.contains(QStringLiteral("fixed file version: 1.0.0.11")));
}

TEST(AboutBox, FileWithoutVersionInformation)
{
    // The test program itself carries no version section.
    TAboutBox box;
    QStringList expected(11, QString());
    expected[0] = QStringLiteral("No version information found");
    EXPECT_EQ(box.versionRows(), expected);
    EXPECT_EQ(box.ValueListEditor1->item(0, 0)->text(), expected[0]);
    EXPECT_EQ(box.ValueListEditor1->item(0, 1)->text(), QString());
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(box.size(), QSize(539, 232));
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
