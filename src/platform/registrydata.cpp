#include "registrydata.h"

#include <QDateTime>
#include <QStringDecoder>

namespace {

const QLatin1StringView header("WINE REGISTRY Version 2");

QString normalizedPath(const QString &path)
{
    qsizetype begin = 0;
    qsizetype end = path.size();
    while (begin < end && path[begin] == QLatin1Char('\\'))
        ++begin;
    while (end > begin && path[end - 1] == QLatin1Char('\\'))
        --end;
    return path.sliced(begin, end - begin);
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Escapes text for a quoted name, string value or key path; the file stays 7-bit.
QString escaped(QStringView text, char16_t alsoEscaped = '"')
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '"' || u == alsoEscaped) {
            out += QLatin1Char('\\');
            out += c;
        } else if (u < 0x20 || u > 0x7E) {
            // Always four digits, so a hex digit that follows is never swallowed when read back.
            out += QStringLiteral("\\x%1").arg(u, 4, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    return out;
}

// Reads escaped text from pos up to the unescaped terminator; pos ends just past the terminator.
std::optional<QString> readEscaped(QStringView line, qsizetype &pos, QChar terminator)
{
    QString out;
    while (pos < line.size()) {
        const QChar c = line[pos++];
        if (c == terminator)
            return out;
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (pos >= line.size())
            return std::nullopt;
        const QChar e = line[pos++];
        switch (e.unicode()) {
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'a':
            out += QChar(0x07);
            break;
        case 'b':
            out += QChar(0x08);
            break;
        case 'e':
            out += QChar(0x1B);
            break;
        case 'f':
            out += QChar(0x0C);
            break;
        case 'v':
            out += QChar(0x0B);
            break;
        case '0':
            out += QChar(0);
            break;
        case 'x': {
            int code = 0;
            int digits = 0;
            while (digits < 4 && pos < line.size() && hexDigit(line[pos]) >= 0)
                code = code * 16 + hexDigit(line[pos++]), ++digits;
            if (digits == 0)
                return std::nullopt;
            out += QChar(char16_t(code));
            break;
        }
        default:
            out += e;
            break;
        }
    }
    return std::nullopt; // no terminator
}

bool isBlank(QStringView s)
{
    return s.trimmed().isEmpty();
}

// "hex:01,02,..." or "hex(7):41,00,..." data after the colon.
std::optional<QByteArray> parseHexList(QStringView list)
{
    QByteArray bytes;
    const QStringView trimmed = list.trimmed();
    if (trimmed.isEmpty())
        return bytes;
    for (QStringView item : trimmed.split(QLatin1Char(','))) {
        item = item.trimmed();
        if (item.size() < 1 || item.size() > 2)
            return std::nullopt;
        int b = 0;
        for (const QChar c : item) {
            const int d = hexDigit(c);
            if (d < 0)
                return std::nullopt;
            b = b * 16 + d;
        }
        bytes.append(char(b));
    }
    return bytes;
}

QString hexList(const QByteArray &bytes)
{
    QString out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        out += QStringLiteral("%1").arg(quint8(bytes[i]), 2, 16, QLatin1Char('0'));
    }
    return out;
}

struct Parser {
    QStringList lines;
    qsizetype index = 0;
    QString error;

    bool fail(const QString &why)
    {
        error = QStringLiteral("line %1: %2").arg(index).arg(why);
        return false;
    }

    // Parses the data of a value line (after "name="); may consume continuation lines.
    bool parseData(QStringView data, RegistryValue &value)
    {
        if (data.startsWith(QLatin1Char('"'))) {
            qsizetype pos = 1;
            const auto text = readEscaped(data, pos, QLatin1Char('"'));
            if (!text || !isBlank(data.sliced(pos)))
                return fail(QStringLiteral("malformed string value"));
            value = RegistryValue::fromString(*text);
            return true;
        }
        if (data.startsWith(QLatin1String("str"))) {
            quint32 type = RegistryValue::String;
            qsizetype pos = 3;
            if (pos < data.size() && data[pos] == QLatin1Char('(')) {
                const qsizetype close = data.indexOf(QLatin1Char(')'), pos);
                bool ok = false;
                if (close > 0)
                    type = data.sliced(pos + 1, close - pos - 1).toUInt(&ok, 16);
                if (!ok)
                    return fail(QStringLiteral("malformed value type"));
                pos = close + 1;
            }
            if (!data.sliced(pos).startsWith(QLatin1String(":\"")))
                return fail(QStringLiteral("malformed string value"));
            pos += 2;
            const auto text = readEscaped(data, pos, QLatin1Char('"'));
            if (!text || !isBlank(data.sliced(pos)))
                return fail(QStringLiteral("malformed string value"));
            if (type == RegistryValue::String || type == RegistryValue::ExpandString) {
                value = RegistryValue::fromString(*text);
                value.type = type;
            } else {
                // Other string-shaped types keep their text as UTF-16 bytes.
                value.type = type;
                value.bytes =
                    QByteArray(reinterpret_cast<const char *>(text->utf16()), text->size() * 2);
            }
            return true;
        }
        if (data.startsWith(QLatin1String("dword:"))) {
            const QStringView digits = data.sliced(6).trimmed();
            bool ok = digits.size() >= 1 && digits.size() <= 8;
            const quint32 n = ok ? digits.toUInt(&ok, 16) : 0;
            if (!ok)
                return fail(QStringLiteral("malformed dword value"));
            value = RegistryValue::fromDword(n);
            return true;
        }
        if (data.startsWith(QLatin1String("hex"))) {
            quint32 type = RegistryValue::Binary;
            qsizetype pos = 3;
            if (pos < data.size() && data[pos] == QLatin1Char('(')) {
                const qsizetype close = data.indexOf(QLatin1Char(')'), pos);
                bool ok = false;
                if (close > 0)
                    type = data.sliced(pos + 1, close - pos - 1).toUInt(&ok, 16);
                if (!ok)
                    return fail(QStringLiteral("malformed value type"));
                pos = close + 1;
            }
            if (pos >= data.size() || data[pos] != QLatin1Char(':'))
                return fail(QStringLiteral("malformed hex value"));
            QString list = data.sliced(pos + 1).trimmed().toString();
            // A trailing backslash continues the byte list on the next line.
            while (list.endsWith(QLatin1Char('\\'))) {
                list.chop(1);
                if (index >= lines.size())
                    return fail(QStringLiteral("hex value ends early"));
                list += lines[index++].trimmed();
            }
            const auto bytes = parseHexList(list);
            if (!bytes)
                return fail(QStringLiteral("malformed hex value"));
            value.type = type;
            value.bytes = *bytes;
            if (type == RegistryValue::Dword) {
                if (bytes->size() != 4)
                    return fail(QStringLiteral("malformed dword value"));
                value = RegistryValue::fromDword(
                    quint32(quint8((*bytes)[0])) | quint32(quint8((*bytes)[1])) << 8 |
                    quint32(quint8((*bytes)[2])) << 16 | quint32(quint8((*bytes)[3])) << 24);
            }
            return true;
        }
        return fail(QStringLiteral("unknown value type"));
    }
};

} // namespace

RegistryValue RegistryValue::fromString(const QString &text)
{
    RegistryValue v;
    v.type = String;
    v.text = text;
    return v;
}

RegistryValue RegistryValue::fromDword(quint32 value)
{
    RegistryValue v;
    v.type = Dword;
    v.dword = value;
    return v;
}

std::optional<RegistryData> RegistryData::parse(QByteArrayView bytes, QString *error)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        if (error)
            *error = QStringLiteral("not UTF-8 text");
        return std::nullopt;
    }

    Parser p;
    p.lines = text.split(QLatin1Char('\n'));
    for (QString &line : p.lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }

    RegistryData data;
    bool seenHeader = false;
    Key *current = nullptr;
    while (p.index < p.lines.size()) {
        const QString line = p.lines[p.index++];
        const QStringView s = QStringView(line).trimmed();
        if (s.isEmpty() || s.startsWith(QLatin1Char(';')) || s.startsWith(QLatin1Char('#')))
            continue;
        if (!seenHeader) {
            if (s != header) {
                if (error)
                    *error = QStringLiteral("line %1: not a registry file").arg(p.index);
                return std::nullopt;
            }
            seenHeader = true;
            continue;
        }
        bool ok = true;
        if (s.startsWith(QLatin1Char('['))) {
            qsizetype pos = 1;
            const auto path = readEscaped(s, pos, QLatin1Char(']'));
            const QStringView rest = path ? s.sliced(pos).trimmed() : QStringView();
            qint64 modified = 0;
            if (path && !rest.isEmpty())
                modified = rest.toLongLong(&ok);
            if (!path || !ok || normalizedPath(*path).isEmpty()) {
                p.fail(QStringLiteral("malformed key name"));
                ok = false;
            } else {
                current = &data.createKey(*path);
                current->modified = modified;
            }
        } else if (!current) {
            p.fail(QStringLiteral("value outside a key"));
            ok = false;
        } else {
            QString name;
            qsizetype pos = 0;
            if (s.startsWith(QLatin1Char('@'))) {
                pos = 1;
            } else if (s.startsWith(QLatin1Char('"'))) {
                pos = 1;
                const auto n = readEscaped(s, pos, QLatin1Char('"'));
                ok = n.has_value();
                if (ok)
                    name = *n;
            } else {
                ok = false;
            }
            if (!ok || pos >= s.size() || s[pos] != QLatin1Char('=')) {
                p.fail(QStringLiteral("malformed value line"));
                ok = false;
            } else {
                RegistryValue value;
                ok = p.parseData(s.sliced(pos + 1).trimmed(), value);
                if (ok) {
                    const qint64 modified = current->modified;
                    data.setValue(current->path, name, value);
                    current->modified = modified;
                }
            }
        }
        if (!ok) {
            if (error)
                *error = p.error;
            return std::nullopt;
        }
    }
    if (!seenHeader && !isBlank(text)) {
        if (error)
            *error = QStringLiteral("not a registry file");
        return std::nullopt;
    }
    return data;
}

QByteArray RegistryData::serialize() const
{
    QString out = header + QStringLiteral("\n;; All keys relative to the current user\n");
    for (const Key &k : m_keys) {
        out += QStringLiteral("\n[") + escaped(k.path, ']') + QStringLiteral("] ") +
               QString::number(k.modified) + QLatin1Char('\n');
        for (const NamedValue &v : k.values) {
            out += v.name.isEmpty() ? QStringLiteral("@=")
                                    : QLatin1Char('"') + escaped(v.name) + QStringLiteral("\"=");
            switch (v.value.type) {
            case RegistryValue::String:
                out += QLatin1Char('"') + escaped(v.value.text) + QLatin1Char('"');
                break;
            case RegistryValue::ExpandString:
                out += QStringLiteral("str(2):\"") + escaped(v.value.text) + QLatin1Char('"');
                break;
            case RegistryValue::Dword:
                out += QStringLiteral("dword:%1").arg(v.value.dword, 8, 16, QLatin1Char('0'));
                break;
            case RegistryValue::Binary:
                out += QStringLiteral("hex:") + hexList(v.value.bytes);
                break;
            default:
                out += QStringLiteral("hex(%1):").arg(v.value.type, 0, 16) + hexList(v.value.bytes);
                break;
            }
            out += QLatin1Char('\n');
        }
    }
    return out.toUtf8();
}

const RegistryData::Key *RegistryData::key(const QString &path) const
{
    const QString p = normalizedPath(path);
    for (const Key &k : m_keys) {
        if (sameName(k.path, p))
            return &k;
    }
    return nullptr;
}

RegistryData::Key &RegistryData::createKey(const QString &path)
{
    const QString p = normalizedPath(path);
    for (Key &k : m_keys) {
        if (sameName(k.path, p))
            return k;
    }
    m_keys.append(Key{p, QDateTime::currentSecsSinceEpoch(), {}});
    return m_keys.last();
}

bool RegistryData::setValue(const QString &path, const QString &name, const RegistryValue &value)
{
    Key &k = createKey(path);
    for (NamedValue &v : k.values) {
        if (sameName(v.name, name)) {
            if (v.value == value)
                return false;
            v.value = value;
            k.modified = QDateTime::currentSecsSinceEpoch();
            return true;
        }
    }
    k.values.append(NamedValue{name, value});
    k.modified = QDateTime::currentSecsSinceEpoch();
    return true;
}

const RegistryValue *RegistryData::value(const Key &key, const QString &name)
{
    for (const NamedValue &v : key.values) {
        if (sameName(v.name, name))
            return &v.value;
    }
    return nullptr;
}
