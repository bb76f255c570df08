#pragma once

#include "deviceconfig.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The device library's files: the catalogue and the plain text of each configuration tree.
namespace DeviceLibrary {

// The indented tree text (one tab per level) of a device, ending in a line break.
QString configTreeText(const DeviceConfig &device);

// UTF-8; with a byte-order mark only when the text is not plain ASCII, so that a reader without
// the mark would not take it for Windows-1252.
QByteArray encode(const QString &text);

// "16F", "16LF", "18F", "12CE": the family a device's catalogue group is named after.
QString family(const QString &deviceName);

// "PIC" + name per line, grouped by family, with a ";" line opening each group.
QString catalogueText(QStringList deviceNames);

} // namespace DeviceLibrary
