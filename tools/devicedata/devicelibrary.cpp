#include "devicelibrary.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

// The text of a tree line: no leading blanks (they would count as indentation).
QString lineText(const QString &text)
{
    return text.trimmed();
}

void addLine(QString &out, int level, const QString &text)
{
    out += QString(level, QLatin1Char('\t'));
    out += lineText(text);
    out += QLatin1Char('\n');
}

void addAttribute(QString &out, const QString &key, const QString &value)
{
    if (!value.trimmed().isEmpty())
        addLine(out, 4, key + QLatin1String(" = ") + value.trimmed());
}

// Digit runs compare by value, so 16F84 comes before 16F628.
bool naturalLess(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i;
            qsizetype ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            const QString na = a.mid(i, ei - i).remove(QRegularExpression(QStringLiteral("^0+")));
            const QString nb = b.mid(j, ej - j).remove(QRegularExpression(QStringLiteral("^0+")));
            if (na.size() != nb.size())
                return na.size() < nb.size();
            if (na != nb)
                return na < nb;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

} // namespace

namespace DeviceLibrary {

QString configTreeText(const DeviceConfig &device)
{
    QString out;
    addLine(out, 0, device.name);
    for (const ConfigRegister &reg : device.registers) {
        addLine(out, 1, reg.name);
        for (const ConfigSetting &setting : reg.settings) {
            addLine(out, 2, setting.name);
            if (!setting.description.trimmed().isEmpty())
                addLine(out, 3, QLatin1String("desc = ") + setting.description.trimmed());
            for (const ConfigOption &option : setting.options) {
                const QString label =
                    option.description.trimmed().isEmpty()
                        ? option.value
                        : option.value + QLatin1String(" - ") + option.description;
                addLine(out, 3, label);
                addAttribute(out, QStringLiteral("desc"), option.description);
                addAttribute(out, QStringLiteral("__config"), option.symbol);
                addAttribute(out, QStringLiteral("legacy"), option.legacy);
                if (!option.value.isEmpty())
                    addAttribute(out, QStringLiteral("config"),
                                 setting.name + QLatin1String(" = ") + option.value);
                if (option.isDefault)
                    addAttribute(out, QStringLiteral("default"), QStringLiteral("true"));
            }
        }
    }
    return out;
}

QByteArray encode(const QString &text)
{
    const bool ascii =
        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    return ascii ? text.toLatin1() : QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QString family(const QString &deviceName)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d*[A-Z]+)"));
    const auto m = pattern.match(deviceName);
    if (m.hasMatch())
        return m.captured(1);
    return deviceName.left(2);
}

QString catalogueText(QStringList deviceNames)
{
    std::sort(deviceNames.begin(), deviceNames.end(), [](const QString &a, const QString &b) {
        const QString fa = family(a);
        const QString fb = family(b);
        return fa != fb ? naturalLess(fa, fb) : naturalLess(a, b);
    });
    deviceNames.erase(std::unique(deviceNames.begin(), deviceNames.end()), deviceNames.end());
    QString out;
    QString current;
    for (const QString &name : std::as_const(deviceNames)) {
        const QString f = family(name);
        // Separators go between families only: the MCU box shows the file's first line at start.
        if (!out.isEmpty() && f != current)
            out += QLatin1String(";---- PIC") + f + QLatin1Char('\n');
        current = f;
        out += QLatin1String("PIC") + name + QLatin1Char('\n');
    }
    return out;
}

} // namespace DeviceLibrary
