#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

// One registry value. Only text and 32-bit numbers are used by the program; values of other
// types read from a file are kept byte for byte so that saving never loses them.
struct RegistryValue {
    enum Type : quint32 { String = 1, ExpandString = 2, Binary = 3, Dword = 4, MultiString = 7 };

    quint32 type = String;
    QString text;      // String and ExpandString
    quint32 dword = 0; // Dword
    QByteArray bytes;  // every other type, as stored

    static RegistryValue fromString(const QString &text);
    static RegistryValue fromDword(quint32 value);
    bool operator==(const RegistryValue &) const = default;
};

// The keys and values of one registry hive in the text format Wine keeps its hives in:
//
//   WINE REGISTRY Version 2
//   [Software\\Tarnwell\\Orvex] 1733900000
//   "Panel1.Width"="290"
//   "Count"=dword:0000001e
//
// Key paths and value names compare without regard to case, as in the registry; the letter case
// first written is kept.
class RegistryData {
public:
    struct NamedValue {
        QString name; // empty for the key's default value ("@")
        RegistryValue value;
    };
    struct Key {
        QString path;
        qint64 modified = 0; // seconds since 1970, written after the key's name
        QList<NamedValue> values;
    };

    // Parses a hive file. An empty file is an empty hive; anything malformed yields nothing and,
    // when asked, a one-line reason with its line number.
    static std::optional<RegistryData> parse(QByteArrayView bytes, QString *error = nullptr);
    QByteArray serialize() const;

    const Key *key(const QString &path) const;
    // Returns the key, creating it when missing.
    Key &createKey(const QString &path);
    // Replaces or adds a value; returns false when the key already held exactly that value.
    bool setValue(const QString &path, const QString &name, const RegistryValue &value);
    static const RegistryValue *value(const Key &key, const QString &name);

    const QList<Key> &keys() const { return m_keys; }

private:
    QList<Key> m_keys;
};
