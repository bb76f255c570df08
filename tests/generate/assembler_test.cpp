// The assembler form of the generated text (no Tessel3 wrapper) assembled by gpasm for real
// devices: the configuration words in the hex output must hold the chosen options' symbols.

#include "configtreefile.h"
#include "generatetestsupport.h"
#include "testsupport.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <optional>

namespace {

const QString headerDir = QStringLiteral("/usr/share/gputils/header");

// Symbol values of a device header and, for option symbols, the register whose section lists them.
struct DeviceHeader {
    std::map<QString, quint32> values;
    std::map<QString, QString> registerOf;
};

DeviceHeader readHeader(const QString &file)
{
    QFile f(headerDir + QLatin1Char('/') + file);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("missing gputils header " + file.toStdString());
    static const QRegularExpression section(QStringLiteral("^;-----\\s+(\\w+)\\s+Options"));
    static const QRegularExpression equ(QStringLiteral("^(_\\w+)\\s+EQU\\s+H'([0-9A-Fa-f]+)'"));
    DeviceHeader header;
    QString currentRegister;
    for (const QByteArray &raw : f.readAll().split('\n')) {
        const QString line = QString::fromLatin1(raw);
        if (const auto m = section.match(line); m.hasMatch()) {
            currentRegister = m.captured(1);
        } else if (line.startsWith(QLatin1String(";-----"))) {
            currentRegister.clear();
        } else if (const auto m = equ.match(line); m.hasMatch()) {
            header.values[m.captured(1)] = m.captured(2).toUInt(nullptr, 16);
            if (!currentRegister.isEmpty())
                header.registerOf[m.captured(1)] = currentRegister;
        }
    }
    return header;
}

// Intel HEX into a byte map; nullopt on a malformed record or checksum.
std::optional<std::map<quint32, quint8>> parseIntelHex(const QByteArray &text)
{
    std::map<quint32, quint8> bytes;
    quint32 base = 0;
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (!line.startsWith(':'))
            return std::nullopt;
        const QByteArray record = QByteArray::fromHex(line.mid(1));
        if (record.size() < 5 || record.size() != 5 + quint8(record[0]))
            return std::nullopt;
        quint8 sum = 0;
        for (char c : record)
            sum += quint8(c);
        if (sum != 0)
            return std::nullopt;
        const int count = quint8(record[0]);
        const quint32 offset = (quint8(record[1]) << 8) | quint8(record[2]);
        const int type = quint8(record[3]);
        if (type == 0) {
            for (int i = 0; i < count; ++i)
                bytes[base + offset + quint32(i)] = quint8(record[4 + i]);
        } else if (type == 4 && count == 2) {
            base = ((quint8(record[4]) << 8) | quint8(record[5])) << 16;
        } else if (type == 2 && count == 2) {
            base = ((quint8(record[4]) << 8) | quint8(record[5])) << 4;
        } else if (type == 1) {
            break;
        }
    }
    return bytes;
}

struct AssemblerDevice {
    const char *fixture;
    const char *mcu;
    const char *header;
    bool byteRegisters; // PIC18: one configuration byte per register
    std::vector<std::pair<const char *, const char *>> choices;
    std::vector<const char *> expectedSymbols; // one per setting
};

std::vector<AssemblerDevice> devices()
{
    return {
        {"p10f200",
         "10F200",
         "p10f200.inc",
         false,
         {},
         {"_OSC_IntRC", "_WDTE_OFF", "_CP_OFF", "_MCLRE_ON"}},
        {"p10f200",
         "10F200",
         "p10f200.inc",
         false,
         {{"MCLRE", "Digital I/O"}, {"CP", "Protected"}, {"WDTE", "WDT on"}},
         {"_OSC_IntRC", "_WDTE_ON", "_CP_ON", "_MCLRE_OFF"}},
        {"p16f1827",
         "16F1827",
         "p16f1827.inc",
         false,
         {},
         {"_FOSC_INTOSC", "_WDTE_OFF", "_PWRTE_ON", "_MCLRE_ON", "_CP_OFF", "_BOREN_ON",
          "_CLKOUTEN_OFF", "_FCMEN_ON", "_WRT_OFF", "_PLLEN_OFF", "_STVREN_ON", "_BORV_LO",
          "_LVP_OFF"}},
        {"p16f1827",
         "16F1827",
         "p16f1827.inc",
         false,
         {{"FOSC", "HS"}, {"WDTE", "NSLEEP"}, {"BORV", "HI"}, {"WRT", "BOOT"}, {"LVP", "ON"}},
         {"_FOSC_HS", "_WDTE_NSLEEP", "_PWRTE_ON", "_MCLRE_ON", "_CP_OFF", "_BOREN_ON",
          "_CLKOUTEN_OFF", "_FCMEN_ON", "_WRT_BOOT", "_PLLEN_OFF", "_STVREN_ON", "_BORV_HI",
          "_LVP_ON"}},
        {"p18f2550",
         "18F2550",
         "p18f2550.inc",
         true,
         {},
         {"_PLLDIV_5_1L",  "_CPUDIV_OSC1_PLL2_1L", "_USBDIV_2_1L",    "_FOSC_HSPLL_HS_1H",
          "_FCMEN_OFF_1H", "_IESO_OFF_1H",         "_PWRT_ON_2L",     "_BOR_ON_2L",
          "_BORV_3_2L",    "_VREGEN_ON_2L",        "_WDT_OFF_2H",     "_WDTPS_32768_2H",
          "_CCP2MX_ON_3H", "_PBADEN_OFF_3H",       "_LPT1OSC_OFF_3H", "_MCLRE_ON_3H",
          "_STVREN_ON_4L", "_LVP_OFF_4L",          "_XINST_OFF_4L",   "_DEBUG_OFF_4L"}},
        {"p18f2550",
         "18F2550",
         "p18f2550.inc",
         true,
         {{"PLLDIV", "Divide by 3"},
          {"FOSC", "INTIO"},
          {"WDTPS", "1:128"},
          {"DEBUG", "ON"},
          {"BORV", "1"}},
         {"_PLLDIV_3_1L",  "_CPUDIV_OSC1_PLL2_1L", "_USBDIV_2_1L",    "_FOSC_INTOSCIO_EC_1H",
          "_FCMEN_OFF_1H", "_IESO_OFF_1H",         "_PWRT_ON_2L",     "_BOR_ON_2L",
          "_BORV_1_2L",    "_VREGEN_ON_2L",        "_WDT_OFF_2H",     "_WDTPS_128_2H",
          "_CCP2MX_ON_3H", "_PBADEN_OFF_3H",       "_LPT1OSC_OFF_3H", "_MCLRE_ON_3H",
          "_STVREN_ON_4L", "_LVP_OFF_4L",          "_XINST_OFF_4L",   "_DEBUG_ON_4L"}},
    };
}

// Per register: the bits in which the options of any of its settings differ, i.e. the bits the
// chosen options decide.
std::map<QString, quint32> decidedBits(const Tree &tree, const DeviceHeader &header)
{
    std::map<QString, quint32> masks;
    tree.forEach([&](TreeNode *setting) {
        if (setting->level() != 2)
            return true;
        std::optional<quint32> first;
        for (int i = 0; i < setting->childCount(); ++i) {
            const QString symbol = FindAttribute(setting->child(i), QStringLiteral("__config"));
            if (symbol.isEmpty())
                continue;
            const quint32 value = header.values.at(symbol);
            if (!first)
                first = value;
            masks[header.registerOf.at(symbol)] |= value ^ *first;
        }
        return true;
    });
    return masks;
}

QStringList assemblerText(const ConfigSession &session, const AssemblerDevice &d, bool oldStyle,
                          bool longLines)
{
    OutputOptions o;
    o.mcuName = QLatin1String(d.mcu);
    o.tessel3 = false;
    o.headers = oldStyle; // the old style keeps its header comment; the new style is bare
    o.oldStyle = oldStyle;
    o.longLines = longLines;
    o.commentsEnabled = !longLines;
    QStringList lines = generate(session, o).lines;
    lines.removeAll(QStringLiteral("ASM"));
    lines.removeAll(QStringLiteral("ENDASM"));
    return QStringList{QStringLiteral("  LIST p=") + o.mcuName, QStringLiteral("  #include <") +
                                                                    QLatin1String(d.header) +
                                                                    QLatin1Char('>')} +
           lines + QStringList{QStringLiteral("  END")};
}

TEST(AssemblerCheck, ConfigurationWordsHoldTheChosenSymbols)
{
    const QString gpasm = QStandardPaths::findExecutable(QStringLiteral("gpasm"));
    ASSERT_FALSE(gpasm.isEmpty()) << "gpasm (Debian package gputils) is not installed";

    for (const AssemblerDevice &d : devices()) {
        const DeviceHeader header = readHeader(QLatin1String(d.header));
        ConfigSession session;
        loadFixtureDevice(session, QLatin1String(d.mcu), QLatin1String(d.fixture));
        for (const auto &[setting, option] : d.choices) {
            TreeNode *found = nullptr;
            session.tree().forEach([&](TreeNode *n) {
                if (n->level() == 3 && n->parent()->text == QLatin1String(setting) &&
                    n->text == QLatin1String(option))
                    found = n;
                return !found;
            });
            ASSERT_TRUE(found) << setting << "=" << option;
            session.ChooseOption(found);
        }

        std::map<QString, quint32> expected;
        for (const char *symbol : d.expectedSymbols) {
            ASSERT_TRUE(header.registerOf.count(QLatin1String(symbol))) << symbol;
            const QString reg = header.registerOf.at(QLatin1String(symbol));
            expected.try_emplace(reg, 0xFFFFFFFFu);
            expected[reg] &= header.values.at(QLatin1String(symbol));
        }
        const std::map<QString, quint32> masks = decidedBits(session.tree(), header);

        for (bool oldStyle : {false, true}) {
            for (bool longLines : {false, true}) {
                SCOPED_TRACE(testing::Message() << d.mcu << (oldStyle ? " old" : " new")
                                                << (longLines ? " long" : " one per line")
                                                << " choices " << d.choices.size());
                QTemporaryDir dir;
                QFile source(dir.filePath(QStringLiteral("config.asm")));
                ASSERT_TRUE(source.open(QIODevice::WriteOnly));
                const QStringList text = assemblerText(session, d, oldStyle, longLines);
                source.write((text.join(QLatin1Char('\n')) + QLatin1Char('\n')).toLatin1());
                source.close();

                QProcess p;
                p.setWorkingDirectory(dir.path());
                p.setProcessChannelMode(QProcess::MergedChannels);
                p.start(gpasm, {QStringLiteral("-I"), headerDir, QStringLiteral("config.asm")});
                ASSERT_TRUE(p.waitForFinished(60000));
                const QString messages = QString::fromLocal8Bit(p.readAll());
                ASSERT_EQ(p.exitCode(), 0) << messages.toStdString() << "\n"
                                           << text.join(QLatin1Char('\n')).toStdString();
                EXPECT_FALSE(messages.contains(QLatin1String("Error"))) << messages.toStdString();

                QFile hexFile(dir.filePath(QStringLiteral("config.hex")));
                ASSERT_TRUE(hexFile.open(QIODevice::ReadOnly));
                const auto bytes = parseIntelHex(hexFile.readAll());
                ASSERT_TRUE(bytes.has_value());

                for (const auto &[reg, value] : expected) {
                    const quint32 mask = masks.at(reg);
                    ASSERT_NE(mask, 0u) << reg.toStdString();
                    const quint32 address = header.values.at(QLatin1Char('_') + reg);
                    quint32 word = 0;
                    if (d.byteRegisters) {
                        ASSERT_TRUE(bytes->count(address)) << reg.toStdString();
                        word = bytes->at(address);
                    } else {
                        ASSERT_TRUE(bytes->count(2 * address) && bytes->count(2 * address + 1))
                            << reg.toStdString();
                        word = bytes->at(2 * address) | (bytes->at(2 * address + 1) << 8);
                    }
                    EXPECT_EQ(word & mask, value & mask)
                        << reg.toStdString() << ": word " << std::hex << word << ", expected "
                        << value << " in bits " << mask;
                }
            }
        }
    }
}

} // namespace
