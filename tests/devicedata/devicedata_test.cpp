// The device library built from gputils-style headers: how fields, values, aliases and defaults
// are read, what the written files hold, and what the tool does with headers it cannot use.

#include "configtreefile.h"
#include "deviceconfig.h"
#include "deviceheader.h"
#include "devicelibrary.h"
#include "gpasmtable.h"
#include "orvexerror.h"
#include "scrambler.h"
#include "testsupport.h"
#include "textfile.h"
#include "treenode.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString fixtureText(const QString &name)
{
    return TextFile::decode(TestSupport::readFixture(QStringLiteral("devicedata/") + name));
}

DeviceConfig fixtureDevice(const QString &name)
{
    return buildDeviceConfig(readDeviceHeader(fixtureText(name)));
}

const ConfigSetting &setting(const DeviceConfig &device, const QString &name)
{
    for (const ConfigRegister &r : device.registers) {
        for (const ConfigSetting &s : r.settings) {
            if (s.name == name)
                return s;
        }
    }
    throw std::runtime_error("no setting " + name.toStdString());
}

// "VALUE symbol legacy [default]" per option, so a whole setting compares in one line.
QStringList summary(const ConfigSetting &s)
{
    QStringList out;
    for (const ConfigOption &o : s.options)
        out.append(QStringLiteral("%1 %2 %3%4")
                       .arg(o.value, o.symbol, o.legacy.isEmpty() ? QStringLiteral("-") : o.legacy,
                            o.isDefault ? QStringLiteral(" default") : QString()));
    return out;
}

QStringList registerNames(const DeviceConfig &device)
{
    QStringList names;
    for (const ConfigRegister &r : device.registers) {
        QStringList settings;
        for (const ConfigSetting &s : r.settings)
            settings.append(s.name);
        names.append(r.name + QLatin1Char(':') + settings.join(QLatin1Char(',')));
    }
    return names;
}

TEST(DeviceHeaderTest, MidrangeFieldsAliasesAndErasedDefaults)
{
    const DeviceConfig device = fixtureDevice(QStringLiteral("p16f9999.inc"));
    EXPECT_EQ(device.name, QStringLiteral("16F9999"));
    // The second spelling of the oscillator frequency field only adds aliases.
    EXPECT_EQ(registerNames(device), QStringList({QStringLiteral("CONFIG1:FOSC,BOREN,IOSCFS"),
                                                  QStringLiteral("CONFIG2:CP,DEBUG")}));

    // The default is the option with all the field's bits set, wherever it stands.
    EXPECT_EQ(
        summary(setting(device, QStringLiteral("FOSC"))),
        QStringList({QStringLiteral("LP _FOSC_LP _LP_OSC"), QStringLiteral("HS _FOSC_HS _HS_OSC"),
                     QStringLiteral("EXTRC _FOSC_EXTRC _RC_OSC default"),
                     QStringLiteral("XT _FOSC_XT -")}));
    EXPECT_EQ(setting(device, QStringLiteral("FOSC")).mask, 0x3u);
    // The field is named as the group's first symbol names it, even when an older spelling
    // has more aliases.
    EXPECT_EQ(summary(setting(device, QStringLiteral("BOREN"))),
              QStringList({QStringLiteral("OFF _BOREN_OFF _BOD_OFF"),
                           QStringLiteral("ON _BOREN_ON _BOD_ON default")}));
    EXPECT_EQ(summary(setting(device, QStringLiteral("IOSCFS"))),
              QStringList({QStringLiteral("4MHZ _IOSCFS_4MHZ _IOFSCS_4MHZ"),
                           QStringLiteral("8MHZ _IOSCFS_8MHZ _IOFSCS_8MHZ default")}));
    EXPECT_EQ(summary(setting(device, QStringLiteral("CP"))),
              QStringList(
                  {QStringLiteral("ON _CP_ON _CP_ALL"), QStringLiteral("OFF _CP_OFF - default")}));
    // Symbols written with 16 bits for a 14-bit word: only the differing bits form the field.
    EXPECT_EQ(setting(device, QStringLiteral("DEBUG")).mask, 0xD000u);
    EXPECT_EQ(summary(setting(device, QStringLiteral("DEBUG"))).last(),
              QStringLiteral("OFF _DEBUG_OFF - default"));
}

TEST(DeviceHeaderTest, OldHeaderWithoutBlankLinesSplitsFieldsByName)
{
    const DeviceConfig device = fixtureDevice(QStringLiteral("p16c9999.inc"));
    EXPECT_EQ(registerNames(device), QStringList(QStringLiteral("CONFIG:CP,PWRTE,OSC")));
    // Inverted polarity: the erased state of this field is "ON".
    EXPECT_EQ(summary(setting(device, QStringLiteral("PWRTE"))),
              QStringList(
                  {QStringLiteral("ON _PWRTE_ON - default"), QStringLiteral("OFF _PWRTE_OFF -")}));
    EXPECT_EQ(summary(setting(device, QStringLiteral("OSC"))),
              QStringList({QStringLiteral("LP _LP_OSC -"), QStringLiteral("XT _XT_OSC -"),
                           QStringLiteral("RC _RC_OSC - default")}));
}

TEST(DeviceHeaderTest, Pic18SettingsListNamesFieldsAndValues)
{
    const DeviceHeader header = readDeviceHeader(fixtureText(QStringLiteral("p18f9999.inc")));
    ASSERT_EQ(header.listedSettings.size(), 3);
    EXPECT_EQ(header.listedSettings[1].description,
              QStringLiteral("Brown-out Reset Voltage bits (Vbor = 2.0 V)"));
    EXPECT_EQ(header.listedSettings[1].values[1], std::make_pair(QStringLiteral("1"), QString()));

    const DeviceConfig device = buildDeviceConfig(header);
    // Words named as the header defines them for __CONFIG (_CONFIG1 is the CONFIG1H byte).
    EXPECT_EQ(registerNames(device),
              QStringList({QStringLiteral("CONFIG1:OSC"), QStringLiteral("CONFIG2:BORV"),
                           QStringLiteral("CONFIG6:DEBUG")}));
    const ConfigSetting &osc = setting(device, QStringLiteral("OSC"));
    EXPECT_EQ(osc.description, QStringLiteral("Oscillator Selection bits"));
    // No "_OSC_LP_1H": the list and the section pair up by position; the register's own
    // suffix marks the current symbol.
    EXPECT_EQ(summary(osc), QStringList({QStringLiteral("LP _LP_OSC_1H _LP_OSC"),
                                         QStringLiteral("HS _HS_OSC_1H -"),
                                         QStringLiteral("RC _RC_OSC_1H - default")}));
    EXPECT_EQ(osc.options[0].description, QStringLiteral("LP oscillator"));
    EXPECT_EQ(summary(setting(device, QStringLiteral("BORV"))),
              QStringList({QStringLiteral("0 _BORV_0_2L -"), QStringLiteral("1 _BORV_1_2L -"),
                           QStringLiteral("3 _BORV_3_2L _BORV_30 default")}));
    EXPECT_EQ(summary(setting(device, QStringLiteral("DEBUG"))),
              QStringList({QStringLiteral("ON _DEBUG_ON_4L -"),
                           QStringLiteral("OFF _DEBUG_OFF_4L - default")}));
}

TEST(DeviceHeaderTest, ListedSettingsWithoutSymbolsTakeGpasmsWords)
{
    const DeviceHeader header = readDeviceHeader(fixtureText(QStringLiteral("p18f99j99.inc")));
    EXPECT_THROW(buildDeviceConfig(header), OrvexError);

    const QString listing = GpasmTable::deviceListing(
        fixtureText(QStringLiteral("gpasm-listing.txt")), QStringLiteral("18F99J99"));
    EXPECT_TRUE(listing.startsWith(QStringLiteral("Names          : pic18f99j99,")));
    EXPECT_FALSE(listing.contains(QStringLiteral("16f9999")));
    const DeviceConfig device = GpasmTable::buildFromTable(header, listing);
    EXPECT_EQ(registerNames(device),
              QStringList({QStringLiteral("CONFIG1L:WDTEN"), QStringLiteral("CONFIG2H:FOSC")}));
    const ConfigSetting &fosc = setting(device, QStringLiteral("FOSC"));
    EXPECT_EQ(fosc.description, QStringLiteral("Oscillator Selection bits"));
    EXPECT_EQ(fosc.mask, 0x03u);
    EXPECT_EQ(fosc.options[1].bits, 0xFEu); // as a symbol would give it: other bits set
    EXPECT_EQ(fosc.options[1].description, QStringLiteral("EC oscillator"));
    EXPECT_TRUE(fosc.options[2].isDefault);
    EXPECT_FALSE(fosc.options[0].isDefault);

    EXPECT_THROW(GpasmTable::buildFromTable(header, QString()), OrvexError);
}

TEST(DeviceHeaderTest, FieldsGpasmDoesNotKnowAreLeftOut)
{
    const QString all = fixtureText(QStringLiteral("gpasm-listing.txt"));
    DeviceConfig device = fixtureDevice(QStringLiteral("p16f9999.inc"));
    GpasmTable::dropUnknownSettings(device,
                                    GpasmTable::deviceListing(all, QStringLiteral("16F9999")));
    EXPECT_EQ(registerNames(device), QStringList({QStringLiteral("CONFIG1:FOSC,BOREN,IOSCFS"),
                                                  QStringLiteral("CONFIG2:CP")}));
    EXPECT_EQ(device.notes, QStringList(QStringLiteral("gpasm does not know DEBUG; left out")));

    // A device gpasm has no words for keeps what its header says.
    EXPECT_EQ(GpasmTable::deviceListing(all, QStringLiteral("16F999")), QString());
    DeviceConfig unknown = fixtureDevice(QStringLiteral("p16f9999.inc"));
    GpasmTable::dropUnknownSettings(unknown, QString());
    EXPECT_EQ(registerNames(unknown).last(), QStringLiteral("CONFIG2:CP,DEBUG"));
}

TEST(DeviceHeaderTest, HeadersThatCannotBeUnderstoodAreRefused)
{
    const QString cases[] = {
        fixtureText(QStringLiteral("p16cxx.inc")),    // no processor named
        QStringLiteral("  IFNDEF __16F1\n  ENDIF\n"), // no configuration at all
        QStringLiteral("  IFNDEF __16F1\n;----- CONFIG Options ---\n_X EQU H'ZZ'\n"),
        QString(),
        QStringLiteral("\x01\x02 IFNDEF\n;-----\n"),
    };
    for (const QString &text : cases)
        EXPECT_THROW(buildDeviceConfig(readDeviceHeader(text)), OrvexError) << text.toStdString();
}

TEST(DeviceLibraryTest, TreeTextLoadsWithTheAttributesGenerationReads)
{
    const DeviceConfig device = fixtureDevice(QStringLiteral("p16f9999.inc"));
    const QString text = DeviceLibrary::configTreeText(device);
    EXPECT_TRUE(text.startsWith(QStringLiteral("16F9999\n\tCONFIG1\n\t\tFOSC\n"
                                               "\t\t\tLP - LP oscillator\n"
                                               "\t\t\t\tdesc = LP oscillator\n"
                                               "\t\t\t\t__config = _FOSC_LP\n"
                                               "\t\t\t\tlegacy = _LP_OSC\n"
                                               "\t\t\t\tconfig = FOSC = LP\n")));

    Tree tree;
    parseConfigTreeText(TextFile::decode(DeviceLibrary::encode(text)), tree);
    ASSERT_EQ(tree.topLevelCount(), 1);
    const TreeNode *fosc = tree.topLevel(0)->child(0)->child(0);
    const TreeNode *extrc = fosc->child(2);
    EXPECT_EQ(extrc->text, QStringLiteral("EXTRC - RC oscillator"));
    EXPECT_EQ(FindAttribute(extrc, QStringLiteral("default")), QStringLiteral("true"));
    EXPECT_EQ(FindAttribute(extrc, QStringLiteral("config")), QStringLiteral("FOSC = EXTRC"));
    EXPECT_EQ(FindAttribute(fosc->child(3), QStringLiteral("legacy")), QString());

    // PIC18: the field's description is the setting's first line, an option without a
    // description is labelled by its value alone.
    const QString pic18 =
        DeviceLibrary::configTreeText(fixtureDevice(QStringLiteral("p18f9999.inc")));
    EXPECT_TRUE(pic18.contains(QStringLiteral("\t\tBORV\n\t\t\tdesc = Brown-out Reset Voltage bits "
                                              "(Vbor = 2.0 V)\n\t\t\t0 - Maximum setting\n")));
    EXPECT_TRUE(pic18.contains(QStringLiteral("\n\t\t\t1\n\t\t\t\t__config = _BORV_1_2L\n")));
}

TEST(DeviceLibraryTest, EncodingMarksOnlyNonAsciiText)
{
    EXPECT_EQ(DeviceLibrary::encode(QStringLiteral("16F84A\n")), QByteArray("16F84A\n"));
    const QByteArray marked = DeviceLibrary::encode(QStringLiteral("t\u00b5s\n"));
    EXPECT_EQ(marked, QByteArray("\xEF\xBB\xBFt\xC2\xB5s\n"));
    EXPECT_EQ(TextFile::decode(marked), QStringLiteral("t\u00b5s\n"));
}

TEST(DeviceLibraryTest, CatalogueGroupsFamiliesInNaturalOrder)
{
    const QString text = DeviceLibrary::catalogueText(
        {QStringLiteral("18F4550"), QStringLiteral("16F628"), QStringLiteral("16F84"),
         QStringLiteral("10F200"), QStringLiteral("16LF1827"), QStringLiteral("14000"),
         QStringLiteral("16F84")});
    EXPECT_EQ(text, QStringLiteral("PIC10F200\n"
                                   ";---- PIC14\nPIC14000\n"
                                   ";---- PIC16F\nPIC16F84\nPIC16F628\n"
                                   ";---- PIC16LF\nPIC16LF1827\n"
                                   ";---- PIC18F\nPIC18F4550\n"));
}

TEST(DeviceDataToolTest, WritesTheLibraryAndCountsSkippedHeaders)
{
    QTemporaryDir headers;
    QTemporaryDir out;
    for (const QString &name : {QStringLiteral("p16f9999.inc"), QStringLiteral("p16cxx.inc"),
                                QStringLiteral("p18f99j99.inc")})
        QFile::copy(TestSupport::fixturePath(QStringLiteral("devicedata/") + name),
                    headers.filePath(name));
    QProcess tool;
    // No gpasm: the header without option symbols cannot be placed and is skipped.
    tool.start(QStringLiteral(ORVEX_DEVICEDATA_PATH),
               {QStringLiteral("--headers"), headers.path(), QStringLiteral("--out"), out.path()});
    ASSERT_TRUE(tool.waitForFinished(30000));
    const QString err = QString::fromUtf8(tool.readAllStandardError());
    EXPECT_EQ(tool.exitCode(), 0) << err.toStdString();
    EXPECT_TRUE(
        err.contains(QStringLiteral("skipped p16cxx.inc: no processor check names the device")));
    EXPECT_TRUE(err.contains(QStringLiteral("skipped p18f99j99.inc: ")));
    EXPECT_TRUE(err.endsWith(QStringLiteral("orvex-devicedata: 1 devices written, 2 skipped\n")))
        << err.toStdString();

    QFile catalogue(out.filePath(QStringLiteral("PIC/DEVICES.txt")));
    ASSERT_TRUE(catalogue.open(QIODevice::ReadOnly));
    EXPECT_EQ(catalogue.readAll(), QByteArray("PIC16F9999\n"));
    QFile tree(out.filePath(QStringLiteral("PIC/PIC16F9999.cfgtree")));
    ASSERT_TRUE(tree.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLatin1(Scrambler::transform(tree.readAll())),
              DeviceLibrary::configTreeText(fixtureDevice(QStringLiteral("p16f9999.inc"))));
}

TEST(DeviceDataToolTest, RefusesBadArguments)
{
    const QStringList cases[] = {
        {},
        {QStringLiteral("--headers"), QStringLiteral("/nonexistent-folder"),
         QStringLiteral("--out"), QDir::tempPath()},
        {QStringLiteral("--bogus")},
    };
    for (const QStringList &args : cases) {
        QProcess tool;
        tool.start(QStringLiteral(ORVEX_DEVICEDATA_PATH), args);
        ASSERT_TRUE(tool.waitForFinished(30000));
        EXPECT_NE(tool.exitCode(), 0) << args.join(QLatin1Char(' ')).toStdString();
    }
}

} // namespace
