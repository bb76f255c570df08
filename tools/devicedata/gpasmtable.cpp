#include "gpasmtable.h"

#include "orvexerror.h"

#include <QProcess>
#include <QRegularExpression>

namespace GpasmTable {

QString query(const QString &gpasm)
{
    QProcess process;
    process.start(gpasm, {QStringLiteral("-s")});
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QString deviceListing(const QString &listing, const QString &device)
{
    // "Names          : pic18f4550, p18f4550, 18f4550"
    const QString names = QStringLiteral("Names");
    const QString name = QStringLiteral(", ") + device.toLower() + QLatin1Char('\n');
    qsizetype at = 0;
    while ((at = listing.indexOf(name, at)) >= 0) {
        const qsizetype lineStart = listing.lastIndexOf(QLatin1Char('\n'), at) + 1;
        if (listing.mid(lineStart, names.size()) == names) {
            const qsizetype next = listing.indexOf(QLatin1String("\nNames"), at);
            return listing.mid(lineStart, next < 0 ? -1 : next + 1 - lineStart);
        }
        at += name.size();
    }
    return {};
}

void dropUnknownSettings(DeviceConfig &device, const QString &listing)
{
    static const QRegularExpression directive(QStringLiteral("^\\s+Directive:\\s*(\\S+)"),
                                              QRegularExpression::MultilineOption);
    QStringList known;
    for (auto it = directive.globalMatch(listing); it.hasNext();)
        known.append(it.next().captured(1));
    if (known.isEmpty())
        return;
    for (ConfigRegister &r : device.registers) {
        r.settings.removeIf([&](const ConfigSetting &s) {
            if (known.contains(s.name))
                return false;
            device.notes.append(QStringLiteral("gpasm does not know %1; left out").arg(s.name));
            return true;
        });
    }
    device.registers.removeIf([](const ConfigRegister &r) { return r.settings.isEmpty(); });
}

DeviceConfig buildFromTable(const DeviceHeader &header, const QString &listing)
{
    static const QRegularExpression range(QStringLiteral("^Config Range\\s*:\\s*0x([0-9A-Fa-f]+)"));
    static const QRegularExpression word(
        QStringLiteral("^\\s+Config Word\\s*:\\s*address = 0x([0-9A-Fa-f]+)"));
    static const QRegularExpression directive(QStringLiteral("^\\s+Directive:\\s*(\\S+)"));
    static const QRegularExpression option(
        QStringLiteral("^\\s+Option:\\s*(\\S+)\\s*=\\s*0x([0-9A-Fa-f]+)(\\s*\\(default\\))?"));

    DeviceConfig config;
    config.name = header.deviceName;
    quint32 start = 0;
    bool haveRange = false;
    ConfigSetting *setting = nullptr;
    auto finish = [](ConfigSetting *s) {
        if (!s)
            return;
        for (const ConfigOption &o : std::as_const(s->options))
            s->mask |= o.bits;
        for (ConfigOption &o : s->options)
            o.bits = (o.bits | ~s->mask) & 0xFF;
    };
    for (const QString &line : listing.split(QLatin1Char('\n'))) {
        if (const auto m = range.match(line); m.hasMatch()) {
            start = m.captured(1).toUInt(nullptr, 16);
            haveRange = true;
        } else if (const auto w = word.match(line); w.hasMatch() && haveRange) {
            finish(setting);
            setting = nullptr;
            const quint32 n = w.captured(1).toUInt(nullptr, 16) - start;
            config.registers.append({QStringLiteral("CONFIG%1%2")
                                         .arg(n / 2 + 1)
                                         .arg(n % 2 ? QLatin1Char('H') : QLatin1Char('L')),
                                     {}});
        } else if (const auto d = directive.match(line);
                   d.hasMatch() && !config.registers.isEmpty()) {
            finish(setting);
            config.registers.last().settings.append({d.captured(1), {}, 0, {}});
            setting = &config.registers.last().settings.last();
            for (const ListedSetting &listed : header.listedSettings) {
                if (listed.name == setting->name)
                    setting->description = listed.description;
            }
        } else if (const auto o = option.match(line); o.hasMatch() && setting) {
            ConfigOption opt;
            opt.value = o.captured(1);
            opt.bits = o.captured(2).toUInt(nullptr, 16);
            opt.isDefault = !o.captured(3).isEmpty();
            for (const ListedSetting &listed : header.listedSettings) {
                if (listed.name != setting->name)
                    continue;
                for (const auto &value : listed.values) {
                    if (value.first == opt.value)
                        opt.description = value.second;
                }
            }
            setting->options.append(opt);
        }
    }
    finish(setting);
    config.registers.removeIf([](const ConfigRegister &r) { return r.settings.isEmpty(); });
    if (config.registers.isEmpty())
        throw OrvexError(QStringLiteral("no configuration symbols, and gpasm lists no words"));
    return config;
}

} // namespace GpasmTable
