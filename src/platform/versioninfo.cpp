#include "versioninfo.h"

#include <QFile>
#include <QStringDecoder>
#include <functional>

namespace {

const QByteArrayView sectionName(".orvex_version");
// The fields are a few hundred bytes; a larger section is not ours.
constexpr quint64 maxSectionSize = 64 * 1024;
// Enough for any real program's section header table and section names.
constexpr quint64 maxTableSize = 16 * 1024 * 1024;

// Reads length bytes at offset; an empty result means out of range.
using ReadAt = std::function<QByteArray(quint64 offset, quint64 length)>;

struct Endian {
    bool little = true;
    quint64 get(const QByteArray &b, qsizetype at, int width) const
    {
        quint64 v = 0;
        for (int i = 0; i < width; ++i) {
            const quint64 byte = quint8(b[at + (little ? i : width - 1 - i)]);
            v |= byte << (8 * i);
        }
        return v;
    }
};

struct SectionHeader {
    quint32 name = 0;
    quint32 type = 0;
    quint64 offset = 0;
    quint64 size = 0;
    quint32 link = 0;
};

std::optional<QByteArray> findSection(quint64 fileSize, const ReadAt &readAt)
{
    if (fileSize < 52)
        return std::nullopt;
    const QByteArray ident = readAt(0, 64 <= fileSize ? 64 : 52);
    if (ident.size() < 52 || !ident.startsWith("\x7f"
                                               "ELF"))
        return std::nullopt;
    const bool is64 = ident[4] == 2;
    if (!is64 && ident[4] != 1)
        return std::nullopt;
    if (ident[5] != 1 && ident[5] != 2)
        return std::nullopt;
    if (is64 && ident.size() < 64)
        return std::nullopt;
    const Endian e{ident[5] == 1};

    const quint64 shoff = is64 ? e.get(ident, 0x28, 8) : e.get(ident, 0x20, 4);
    const quint64 shentsize = e.get(ident, is64 ? 0x3A : 0x2E, 2);
    quint64 shnum = e.get(ident, is64 ? 0x3C : 0x30, 2);
    quint64 shstrndx = e.get(ident, is64 ? 0x3E : 0x32, 2);
    const quint64 minEntry = is64 ? 64 : 40;
    if (shoff == 0 || shentsize < minEntry || shoff >= fileSize)
        return std::nullopt;

    auto header = [&](const QByteArray &table, quint64 index) {
        const qsizetype at = qsizetype(index * shentsize);
        SectionHeader h;
        h.name = quint32(e.get(table, at, 4));
        h.type = quint32(e.get(table, at + 4, 4));
        h.offset = is64 ? e.get(table, at + 24, 8) : e.get(table, at + 16, 4);
        h.size = is64 ? e.get(table, at + 32, 8) : e.get(table, at + 20, 4);
        h.link = quint32(e.get(table, at + (is64 ? 40 : 24), 4));
        return h;
    };

    // Very large section counts live in the first section header.
    if (shnum == 0 || shstrndx == 0xFFFF) {
        const QByteArray first = readAt(shoff, shentsize);
        if (quint64(first.size()) != shentsize)
            return std::nullopt;
        const SectionHeader h0 = header(first, 0);
        if (shnum == 0)
            shnum = h0.size;
        if (shstrndx == 0xFFFF)
            shstrndx = h0.link;
    }
    if (shnum == 0 || shstrndx >= shnum || shnum > maxTableSize / shentsize)
        return std::nullopt;
    const QByteArray table = readAt(shoff, shnum * shentsize);
    if (quint64(table.size()) != shnum * shentsize)
        return std::nullopt;

    const SectionHeader strtab = header(table, shstrndx);
    if (strtab.size == 0 || strtab.size > maxTableSize || strtab.type == 8 /* SHT_NOBITS */)
        return std::nullopt;
    const QByteArray names = readAt(strtab.offset, strtab.size);
    if (quint64(names.size()) != strtab.size)
        return std::nullopt;

    for (quint64 i = 1; i < shnum; ++i) {
        const SectionHeader h = header(table, i);
        if (h.name >= quint64(names.size()))
            continue;
        const QByteArrayView name(names.constData() + h.name,
                                  qstrnlen(names.constData() + h.name, names.size() - h.name));
        if (name != sectionName)
            continue;
        if (h.type == 8 || h.size == 0 || h.size > maxSectionSize)
            return std::nullopt;
        QByteArray contents = readAt(h.offset, h.size);
        if (quint64(contents.size()) != h.size)
            return std::nullopt;
        return contents;
    }
    return std::nullopt;
}

bool parseFixed(QStringView text, std::array<quint16, 4> &out)
{
    const auto parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const uint n = parts[i].toUInt(&ok);
        if (!ok || n > 0xFFFF)
            return false;
        out[i] = quint16(n);
    }
    return true;
}

} // namespace

std::optional<VersionInfo> VersionInfo::fromSection(QByteArrayView section)
{
    // The section is a C string; anything after its terminating NUL is padding.
    const qsizetype nul = section.indexOf('\0');
    if (nul >= 0)
        section = section.first(nul);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(section);
    if (utf8.hasError())
        return std::nullopt;
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.isEmpty() || lines.first() != QLatin1String("ORVEXVERSION 1"))
        return std::nullopt;

    VersionInfo info;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString &line = lines[i];
        if (line.startsWith(QLatin1String("fixed "))) {
            std::array<quint16, 4> v{};
            if (parseFixed(QStringView(line).sliced(6), v))
                info.fixedFileVersion = v;
        } else if (line.startsWith(QLatin1String("block "))) {
            info.stringTables.append(StringTable{line.sliced(6).trimmed(), {}});
        } else if (const qsizetype eq = line.indexOf(QLatin1Char('='));
                   eq > 0 && !info.stringTables.isEmpty()) {
            info.stringTables.last().fields.append(Field{line.first(eq), line.sliced(eq + 1)});
        }
        // Anything else is a later addition this reader does not know; it is passed over.
    }
    return info;
}

std::optional<VersionInfo> VersionInfo::fromElfImage(QByteArrayView image)
{
    const auto section = findSection(quint64(image.size()), [&](quint64 offset, quint64 length) {
        if (offset > quint64(image.size()) || length > quint64(image.size()) - offset)
            return QByteArray();
        return image.sliced(qsizetype(offset), qsizetype(length)).toByteArray();
    });
    return section ? fromSection(*section) : std::nullopt;
}

std::optional<VersionInfo> VersionInfo::fromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 size = file.size();
    if (size <= 0)
        return std::nullopt;
    const auto section = findSection(quint64(size), [&](quint64 offset, quint64 length) {
        if (offset > quint64(size) || length > quint64(size) - offset || !file.seek(qint64(offset)))
            return QByteArray();
        return file.read(qint64(length));
    });
    return section ? fromSection(*section) : std::nullopt;
}

std::optional<QString> VersionInfo::stringValue(const QString &block, const QString &key) const
{
    for (const StringTable &table : stringTables) {
        if (table.block.compare(block, Qt::CaseInsensitive) != 0)
            continue;
        for (const Field &f : table.fields) {
            if (f.key.compare(key, Qt::CaseInsensitive) == 0)
                return f.value;
        }
    }
    return std::nullopt;
}

QString VersionInfo::fixedFileVersionText() const
{
    if (!fixedFileVersion)
        return {};
    const auto &v = *fixedFileVersion;
    return QStringLiteral("%1.%2.%3.%4").arg(v[0]).arg(v[1]).arg(v[2]).arg(v[3]);
}
