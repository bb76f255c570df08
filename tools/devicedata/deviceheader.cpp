#include "deviceheader.h"

#include "orvexerror.h"
#include "textfile.h"

#include <QRegularExpression>

namespace {

const QRegularExpression processorCheck(QStringLiteral("^\\s*IFNDEF\\s+__(\\w+)\\s*$"));
const QRegularExpression optionsBanner(QStringLiteral("^;-----\\s+(\\w+)\\s+Options\\b"));
const QRegularExpression
    equate(QStringLiteral("^(_\\w+)\\s+EQU\\s+H'([0-9A-Fa-f]{1,8})'\\s*(?:;(.*))?$"));
const QRegularExpression tableEntry(QStringLiteral("^;\\s+(CONFIG\\w*)\\s+([0-9A-Fa-f]+)h\\s*$"));
const QRegularExpression listedField(QStringLiteral("^;\\s{3}(\\S.*?)\\s*$"));
const QRegularExpression listedValue(QStringLiteral("^;\\s{5}(\\w+)\\s*=\\s*(\\S+)\\s*(.*?)\\s*$"));

bool isAddressSymbol(const QString &name)
{
    return name.startsWith(QLatin1String("_CONFIG")) || name.startsWith(QLatin1String("_IDLOC")) ||
           name.startsWith(QLatin1String("_DEVID"));
}

// The PIC18 list "The following settings are available for this device." up to the next rule.
void readSettingsList(const QStringList &lines, qsizetype from, DeviceHeader &header)
{
    for (qsizetype i = from; i < lines.size(); ++i) {
        const QString &line = lines[i];
        if (line.startsWith(QLatin1String(";===")) || !line.startsWith(QLatin1Char(';')))
            return;
        if (const auto m = listedValue.match(line); m.hasMatch()) {
            const QString field = m.captured(1);
            if (header.listedSettings.isEmpty() || (!header.listedSettings.last().name.isEmpty() &&
                                                    header.listedSettings.last().name != field))
                header.listedSettings.append(ListedSetting{}); // a field without a description line
            if (header.listedSettings.last().name.isEmpty())
                header.listedSettings.last().name = field;
            header.listedSettings.last().values.append({m.captured(2), m.captured(3)});
        } else if (const auto d = listedField.match(line); d.hasMatch()) {
            QString description = d.captured(1);
            if (description.endsWith(QLatin1Char(':')))
                description.chop(1);
            header.listedSettings.append(ListedSetting{QString(), description.trimmed(), {}});
        }
    }
}

} // namespace

DeviceHeader readDeviceHeader(const QString &text)
{
    DeviceHeader header;
    const QStringList lines = TextFile::splitLines(text);

    QString section;             // inside a "----- X Options" section
    bool afterBlank = true;      // the next symbol opens a new group
    qsizetype configBitsAt = -1; // the "Configuration Bits" banner, for headers without sections
    bool sawSections = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (header.deviceName.isEmpty()) {
            if (const auto m = processorCheck.match(line); m.hasMatch())
                header.deviceName = m.captured(1).toUpper();
        }
        if (line.contains(QLatin1String("The following settings")) &&
            header.listedSettings.isEmpty()) {
            readSettingsList(lines, i + 1, header);
            continue;
        }
        if (configBitsAt < 0 && line.startsWith(QLatin1Char(';')) &&
            line.mid(1).trimmed() == QLatin1String("Configuration Bits"))
            configBitsAt = i;
        if (const auto m = optionsBanner.match(line); m.hasMatch()) {
            section = m.captured(1);
            sawSections = true;
            afterBlank = true;
            continue;
        }
        if (line.startsWith(QLatin1String(";-----"))) {
            section.clear();
            continue;
        }
        if (line.isEmpty()) {
            afterBlank = true;
            continue;
        }
        if (const auto t = tableEntry.match(line); t.hasMatch() && configBitsAt >= 0)
            header.wordTable.append({t.captured(1), t.captured(2).toUInt(nullptr, 16)});
        const auto m = equate.match(line);
        if (!m.hasMatch())
            continue;
        const QString name = m.captured(1);
        if (name.startsWith(QLatin1String("_CONFIG")) && section.isEmpty()) {
            header.configWords.append({name.mid(1), m.captured(2).toUInt(nullptr, 16)});
            continue;
        }
        if (section.isEmpty())
            continue;
        if (afterBlank || header.groups.isEmpty() || header.groups.last().section != section)
            header.groups.append(SymbolGroup{section, {}});
        afterBlank = false;
        header.groups.last().symbols.append(
            {name, m.captured(2).toUInt(nullptr, 16), m.captured(3).trimmed()});
    }

    if (header.deviceName.isEmpty())
        throw OrvexError(QStringLiteral("no processor check names the device"));

    // Old single-word headers list their symbols right below the banner, without sections.
    if (!sawSections && configBitsAt >= 0 && header.configWords.size() <= 1) {
        afterBlank = true;
        const QString word = header.configWords.isEmpty() ? QStringLiteral("CONFIG")
                                                          : header.configWords.first().first;
        for (qsizetype i = configBitsAt + 1; i < lines.size(); ++i) {
            const QString line = lines[i].trimmed();
            if (line.isEmpty()) {
                afterBlank = true;
                continue;
            }
            const auto m = equate.match(line);
            if (!m.hasMatch() || isAddressSymbol(m.captured(1)))
                continue;
            if (afterBlank || header.groups.isEmpty())
                header.groups.append(SymbolGroup{word, {}});
            afterBlank = false;
            header.groups.last().symbols.append(
                {m.captured(1), m.captured(2).toUInt(nullptr, 16), m.captured(3).trimmed()});
        }
    }
    return header;
}
