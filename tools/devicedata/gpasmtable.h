#pragma once

#include "deviceconfig.h"

#include <QString>

// gpasm's own table of a device's configuration words (`gpasm -s -p DEVICE`). Some PIC18 headers
// list the CONFIG settings without any option symbols; the table gives their words and bits.
namespace GpasmTable {

// Runs gpasm once and returns its listing of every processor, or an empty text when it cannot
// be run.
QString query(const QString &gpasm);

// The part of the listing about one device ("18F4550"), or an empty text.
QString deviceListing(const QString &listing, const QString &device);

// Settings that gpasm's table for the device does not know (fields a header adds on its own)
// cannot be written as CONFIG directives; they are removed, and named in the device's notes.
// A device the table has no words for keeps all its settings.
void dropUnknownSettings(DeviceConfig &device, const QString &listing);

// Places the header's listed settings into the words of the table: register names "CONFIG1L",
// "CONFIG1H", ... count from the start of the configuration range; option bits are given as a
// symbol would be (the field's bits, all others set); the default is the one the table marks.
// Throws OrvexError when the table has no configuration words.
DeviceConfig buildFromTable(const DeviceHeader &header, const QString &listing);

} // namespace GpasmTable
