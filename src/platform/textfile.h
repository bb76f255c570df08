#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

// Plain-text data files as the program reads them: a byte-order mark picks UTF-8, UTF-16 LE or
// UTF-16 BE, anything else is Windows-1252; CR LF, LF and CR end lines; a NUL ends the text.
namespace TextFile {

// Decodes raw file bytes into text, stopping at the first NUL character.
QString decode(const QByteArray &bytes);

// Splits text into lines; a break at the very end adds no empty line. Lines are kept verbatim.
QStringList splitLines(QStringView text);

// Reads all bytes of a file named with the program's own path text ("PIC\DEVICES.txt").
// Throws OrvexError "Cannot open file ..." when the file cannot be opened.
QByteArray readBytes(const QString &path);

// readBytes + decode + splitLines.
QStringList readLines(const QString &path);

} // namespace TextFile
