#include "deviceconfig.h"

#include "orvexerror.h"

#include <QHash>
#include <QMap>
#include <algorithm>
#include <optional>

namespace {

// A symbol and its aliases: every symbol of a field with the same value, in header order.
struct ValueClass {
    quint32 value = 0;
    QList<HeaderSymbol> symbols;
};

QList<ValueClass> valueClasses(const QList<HeaderSymbol> &symbols)
{
    QList<ValueClass> classes;
    for (const HeaderSymbol &s : symbols) {
        auto it = std::find_if(classes.begin(), classes.end(),
                               [&](const ValueClass &c) { return c.value == s.value; });
        if (it == classes.end())
            classes.append({s.value, {s}});
        else
            it->symbols.append(s);
    }
    return classes;
}

QString firstToken(const QString &symbol)
{
    return symbol.mid(1).section(QLatin1Char('_'), 0, 0);
}

QString lastToken(const QString &symbol)
{
    const QString body = symbol.mid(1);
    return body.contains(QLatin1Char('_')) ? body.section(QLatin1Char('_'), -1) : QString();
}

// "CONFIG1L" -> "1L": the suffix PIC18 headers append to their option symbols.
QString sectionSuffix(const QString &section)
{
    return section.startsWith(QLatin1String("CONFIG")) ? section.mid(6) : QString();
}

// Bits that differ between the options, and the option whose field bits are all set (erased).
void finishSetting(ConfigSetting &setting)
{
    if (setting.options.isEmpty())
        return;
    const quint32 first = setting.options.first().bits;
    for (const ConfigOption &o : std::as_const(setting.options))
        setting.mask |= o.bits ^ first;
    for (ConfigOption &o : setting.options) {
        if ((o.bits & setting.mask) == setting.mask) {
            o.isDefault = true;
            break;
        }
    }
}

QString otherSymbol(const ValueClass &c, const QString &current)
{
    for (const HeaderSymbol &s : c.symbols) {
        if (s.name != current)
            return s.name;
    }
    return {};
}

// A field named by a common prefix ("_FOSC_LP", "_FOSC_XT") or, in old headers, by a common
// suffix ("_LP_OSC", "_XT_OSC").
std::optional<ConfigSetting> settingFromNames(const QList<HeaderSymbol> &symbols, bool bySuffix)
{
    if (symbols.isEmpty())
        return std::nullopt;
    const QList<ValueClass> classes = valueClasses(symbols);
    if (bySuffix) {
        const QString suffix = QLatin1Char('_') + lastToken(symbols.first().name);
        ConfigSetting setting;
        setting.name = suffix.mid(1);
        for (const ValueClass &c : classes) {
            const HeaderSymbol &s = c.symbols.first();
            setting.options.append({s.name.mid(1, s.name.size() - 1 - suffix.size()), s.description,
                                    s.name, otherSymbol(c, s.name), c.value, false});
        }
        finishSetting(setting);
        return setting;
    }

    // The field is the token the group's first symbol starts with, or failing that the one most
    // symbols start with; each value's current symbol is the first one spelled with it, the
    // others are its older aliases.
    QMap<QString, int> counts;
    for (const HeaderSymbol &s : symbols)
        ++counts[firstToken(s.name)];
    QString common = firstToken(symbols.first().name);
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > counts.value(common))
            common = it.key();
    }
    QString tokenPrefix;
    QList<const HeaderSymbol *> current;
    for (const QString &token : {firstToken(symbols.first().name), common}) {
        tokenPrefix = QLatin1Char('_') + token + QLatin1Char('_');
        current.clear();
        for (const ValueClass &c : classes) {
            auto it = std::find_if(c.symbols.begin(), c.symbols.end(), [&](const HeaderSymbol &s) {
                return s.name.startsWith(tokenPrefix);
            });
            if (it == c.symbols.end())
                break;
            current.append(&*it);
        }
        if (current.size() == classes.size())
            break;
    }
    if (current.size() != classes.size())
        return std::nullopt;
    QString prefix = current.first()->name + QLatin1Char('_');
    for (const HeaderSymbol *s : std::as_const(current)) {
        const QString name = s->name + QLatin1Char('_');
        qsizetype n = 0;
        while (n < prefix.size() && n < name.size() && prefix[n] == name[n])
            ++n;
        prefix.truncate(n);
    }
    prefix.truncate(prefix.lastIndexOf(QLatin1Char('_')) + 1);
    if (current.size() == 1 || !prefix.startsWith(tokenPrefix))
        prefix = tokenPrefix;

    ConfigSetting setting;
    setting.name = prefix.mid(1, prefix.size() - 2);
    for (qsizetype i = 0; i < classes.size(); ++i) {
        const HeaderSymbol &s = *current[i];
        setting.options.append({s.name.mid(prefix.size()), s.description, s.name,
                                otherSymbol(classes[i], s.name), classes[i].value, false});
    }
    finishSetting(setting);
    return setting;
}

// Old headers run several fields together; a symbol belongs with a neighbour that starts (or,
// failing that, ends) with the same token.
QList<ConfigSetting> settingsFromGroup(const SymbolGroup &group, QStringList &notes)
{
    if (auto one = settingFromNames(group.symbols, false))
        return {*one};

    const QList<HeaderSymbol> &symbols = group.symbols;
    QStringList keys;
    for (qsizetype i = 0; i < symbols.size(); ++i) {
        const QString first = firstToken(symbols[i].name);
        const QString last = lastToken(symbols[i].name);
        auto neighbour = [&](auto token) {
            return (i > 0 && token(symbols[i - 1].name) == token(symbols[i].name)) ||
                   (i + 1 < symbols.size() && token(symbols[i + 1].name) == token(symbols[i].name));
        };
        if (neighbour(firstToken))
            keys.append(QLatin1String("P") + first);
        else if (!last.isEmpty() && neighbour(lastToken))
            keys.append(QLatin1String("S") + last);
        else
            keys.append(QLatin1String("P") + first);
    }
    QList<ConfigSetting> settings;
    for (qsizetype i = 0; i < symbols.size();) {
        qsizetype j = i;
        while (j < symbols.size() && keys[j] == keys[i])
            ++j;
        const bool bySuffix = keys[i].startsWith(QLatin1Char('S'));
        if (auto s = settingFromNames(symbols.mid(i, j - i), bySuffix))
            settings.append(*s);
        else
            notes.append(QStringLiteral("%1: cannot tell the field of %2")
                             .arg(group.section, symbols[i].name));
        i = j;
    }
    return settings;
}

struct PlacedSetting {
    QString section;
    ConfigSetting setting;
};

// PIC18: the settings list names the fields and values; the option symbols give their bits.
QList<PlacedSetting> settingsFromList(const DeviceHeader &header, QStringList &notes)
{
    QHash<QString, qsizetype> groupOf;
    QStringList suffixes;
    for (qsizetype g = 0; g < header.groups.size(); ++g) {
        for (const HeaderSymbol &s : header.groups[g].symbols)
            groupOf.insert(s.name, g);
        const QString suffix = sectionSuffix(header.groups[g].section);
        if (!suffixes.contains(suffix))
            suffixes.append(suffix);
    }

    QList<PlacedSetting> placed;
    QList<bool> used(header.groups.size(), false);
    qsizetype nextGroup = 0;
    for (const ListedSetting &listed : header.listedSettings) {
        // Symbol spelled from the field and value, in whichever register it lives.
        QList<QString> matched(listed.values.size());
        qsizetype group = -1;
        for (qsizetype i = 0; i < listed.values.size(); ++i) {
            const QString base =
                QLatin1Char('_') + listed.name + QLatin1Char('_') + listed.values[i].first;
            QStringList names;
            for (const QString &suffix : std::as_const(suffixes))
                names.append(base + QLatin1Char('_') + suffix);
            names.append(base);
            for (const QString &name : std::as_const(names)) {
                const qsizetype g = groupOf.value(name, -1);
                if (g >= 0 && (group < 0 || g == group)) {
                    group = g;
                    matched[i] = name;
                    break;
                }
            }
        }
        // Otherwise the list and the sections come in the same order.
        if (group < 0 && nextGroup < header.groups.size() &&
            valueClasses(header.groups[nextGroup].symbols).size() == listed.values.size())
            group = nextGroup;
        if (group < 0) {
            notes.append(QStringLiteral("setting %1 has no symbols").arg(listed.name));
            continue;
        }
        used[group] = true;
        nextGroup = group + 1;

        const SymbolGroup &g = header.groups[group];
        const QList<ValueClass> classes = valueClasses(g.symbols);
        const QString suffix = QLatin1Char('_') + sectionSuffix(g.section);
        ConfigSetting setting;
        setting.name = listed.name;
        setting.description = listed.description;
        for (qsizetype i = 0; i < listed.values.size(); ++i) {
            const ValueClass *c = nullptr;
            QString current = matched[i];
            if (!current.isEmpty()) {
                for (const ValueClass &vc : classes) {
                    if (std::any_of(vc.symbols.begin(), vc.symbols.end(),
                                    [&](const HeaderSymbol &s) { return s.name == current; }))
                        c = &vc;
                }
            } else if (classes.size() == listed.values.size()) {
                c = &classes[i];
                current = c->symbols.first().name;
                for (const HeaderSymbol &s : c->symbols) {
                    if (s.name.endsWith(suffix)) {
                        current = s.name;
                        break;
                    }
                }
            }
            if (!c) {
                notes.append(QStringLiteral("%1 = %2 has no symbol")
                                 .arg(listed.name, listed.values[i].first));
                continue;
            }
            setting.options.append({listed.values[i].first, listed.values[i].second, current,
                                    otherSymbol(*c, current), c->value, false});
        }
        if (setting.options.isEmpty())
            continue;
        finishSetting(setting);
        placed.append({g.section, setting});
    }
    for (qsizetype g = 0; g < header.groups.size(); ++g) {
        if (!used[g])
            notes.append(QStringLiteral("%1 is not in the settings list")
                             .arg(header.groups[g].symbols.first().name));
    }
    return placed;
}

// A second spelling of a field already seen (same bits, other name) only adds older aliases.
bool mergeDuplicate(QList<PlacedSetting> &placed, const QString &section, const ConfigSetting &s)
{
    for (PlacedSetting &p : placed) {
        if (p.section != section || s.mask == 0 || p.setting.mask != s.mask ||
            p.setting.options.size() != s.options.size())
            continue;
        for (const ConfigOption &o : s.options) {
            for (ConfigOption &existing : p.setting.options) {
                if (existing.bits == o.bits && existing.legacy.isEmpty())
                    existing.legacy = o.symbol;
            }
        }
        return true;
    }
    return false;
}

// The register's name as the header defines it for __CONFIG: some name the word of the
// "CONFIG1L Options" section "_CONFIG0" and list "CONFIG1L" only in their table.
QString wordName(const DeviceHeader &header, const QString &section)
{
    for (const auto &word : header.configWords) {
        if (word.first == section)
            return section;
    }
    for (const auto &entry : header.wordTable) {
        if (entry.first != section)
            continue;
        for (const auto &word : header.configWords) {
            if (word.second == entry.second)
                return word.first;
        }
    }
    return section;
}

} // namespace

DeviceConfig buildDeviceConfig(const DeviceHeader &header)
{
    DeviceConfig config;
    config.name = header.deviceName;

    QList<PlacedSetting> placed;
    if (!header.listedSettings.isEmpty()) {
        placed = settingsFromList(header, config.notes);
    } else {
        for (const SymbolGroup &g : header.groups) {
            for (const ConfigSetting &s : settingsFromGroup(g, config.notes)) {
                if (!mergeDuplicate(placed, g.section, s))
                    placed.append({g.section, s});
            }
        }
    }
    for (PlacedSetting &p : placed)
        p.section = wordName(header, p.section);
    if (placed.isEmpty())
        throw OrvexError(header.groups.isEmpty()
                             ? QStringLiteral("no configuration symbols")
                             : QStringLiteral("no setting could be understood"));

    // Registers in address order as the header lists them; sections it does not list follow.
    QStringList order;
    for (const auto &word : header.configWords)
        order.append(word.first);
    for (const PlacedSetting &p : std::as_const(placed)) {
        if (!order.contains(p.section))
            order.append(p.section);
    }
    for (const QString &word : std::as_const(order)) {
        ConfigRegister reg{word, {}};
        for (const PlacedSetting &p : std::as_const(placed)) {
            if (p.section == word)
                reg.settings.append(p.setting);
        }
        if (!reg.settings.isEmpty())
            config.registers.append(reg);
    }
    return config;
}
