#include "textfile.h"

#include "filesystempath.h"

#include <QFile>
#include <QStringDecoder>

namespace TextFile {

QString decode(const QByteArray &bytes)
{
    QStringDecoder::Encoding encoding = QStringDecoder::System;
    qsizetype skip = 0;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        encoding = QStringDecoder::Utf8;
        skip = 3;
    } else if (bytes.startsWith("\xFF\xFE")) {
        encoding = QStringDecoder::Utf16LE;
        skip = 2;
    } else if (bytes.startsWith("\xFE\xFF")) {
        encoding = QStringDecoder::Utf16BE;
        skip = 2;
    }

    const QByteArrayView body = QByteArrayView(bytes).sliced(skip);
    QString text;
    if (skip == 0) {
        // No mark: 8-bit text in the Windows code page of the data files.
        QStringDecoder cp1252("windows-1252");
        text = cp1252.isValid() ? cp1252.decode(body) : QString::fromLatin1(body);
    } else {
        QStringDecoder decoder(encoding);
        text = decoder.decode(body);
    }

    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

QStringList splitLines(QStringView text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines.append(text.sliced(start, i - start).toString());
            if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < n)
        lines.append(text.sliced(start).toString());
    return lines;
}

QByteArray readBytes(const QString &path)
{
    QFile file(toFileSystemPath(path));
    if (!file.open(QIODevice::ReadOnly))
        throwCannotOpenFile(path, file.errorString());
    return file.readAll();
}

QStringList readLines(const QString &path)
{
    return splitLines(decode(readBytes(path)));
}

} // namespace TextFile
