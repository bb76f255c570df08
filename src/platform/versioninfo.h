#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <array>
#include <optional>

// The version fields a program file carries in its ".orvex_version" ELF section: the fixed file
// version and string tables named by language and code page ("040904E4").
class VersionInfo {
public:
    struct Field {
        QString key;
        QString value;
    };
    struct StringTable {
        QString block;
        QList<Field> fields;
    };

    // Reads the section from any file: a file that is not ELF, is truncated or carries no such
    // section has no version information.
    static std::optional<VersionInfo> fromFile(const QString &path);
    // The same, from a whole file image in memory.
    static std::optional<VersionInfo> fromElfImage(QByteArrayView image);
    // Parses the section's contents.
    static std::optional<VersionInfo> fromSection(QByteArrayView section);

    // Major, minor, release, build; nothing when the section gives none.
    std::optional<std::array<quint16, 4>> fixedFileVersion;
    QList<StringTable> stringTables;

    // The value of a string field, with block and key matched without regard to case.
    std::optional<QString> stringValue(const QString &block, const QString &key) const;
    // "1.0.0.11", or empty without a fixed file version.
    QString fixedFileVersionText() const;
};
