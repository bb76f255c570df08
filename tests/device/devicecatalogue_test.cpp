#include "devicecatalogue.h"
#include "orvexerror.h"
#include "testsupport.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

TEST(CatalogueWalk, DropsPic17AndCutsThePrefix)
{
    struct Case {
        QStringList in;
        QStringList out;
    } cases[] = {
        {{"PIC17C42", "PIC17C44", "PIC16F84", "PIC17C756"}, {"16F84"}},
        {{"PIC", "PIC1234567890123456789012345", "pic16F84", ";--- PIC18 ---", ""},
         {"", "12345678901234567890", "pic16F84", ";--- PIC18 ---", ""}},
        {{"PIC17", "PIC1"}, {"1"}},
        {{" PIC16F84", "PIC16F84 "}, {" PIC16F84", "16F84 "}},
    };
    for (Case &c : cases) {
        QStringList entries = c.in;
        stripCatalogueEntries(entries);
        EXPECT_EQ(entries, c.out) << c.in.join('|').toStdString();
    }
}

class CatalogueFile : public testing::Test {
protected:
    DeviceCatalogue load(const QByteArray &bytes)
    {
        data.writeCatalogue(bytes);
        const QString previous = QDir::currentPath();
        QDir::setCurrent(data.path());
        DeviceCatalogue catalogue;
        LoadDeviceCatalogue(catalogue);
        QDir::setCurrent(previous);
        return catalogue;
    }
    TestSupport::DataDir data;
};

TEST_F(CatalogueFile, DisplaysTheFirstLineAsRead)
{
    const DeviceCatalogue c = load("\xEF\xBB\xBFPIC16F84\r\nPIC17C42\nPIC12F675\n");
    EXPECT_EQ(c.text, QStringLiteral("PIC16F84"));
    EXPECT_EQ(c.entries, QStringList({"16F84", "12F675"}));
}

TEST_F(CatalogueFile, LastLineWithoutBreakIsKept)
{
    EXPECT_EQ(load("PIC10F200\nPIC10F202").entries, QStringList({"10F200", "10F202"}));
}

TEST_F(CatalogueFile, EmptyFileKeepsTheDisplayedText)
{
    const DeviceCatalogue c = load("");
    EXPECT_EQ(c.text, QStringLiteral("Select an MCU"));
    EXPECT_TRUE(c.entries.isEmpty());
}

TEST(CatalogueMissing, RaisesAndKeepsDesignContent)
{
    TestSupport::DataDir data;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(data.path());
    DeviceCatalogue catalogue;
    EXPECT_THROW(LoadDeviceCatalogue(catalogue), OrvexError);
    QDir::setCurrent(previous);
    EXPECT_EQ(catalogue.entries, QStringList({QString()}));
    EXPECT_EQ(catalogue.text, QStringLiteral("Select an MCU"));
}

} // namespace
