#pragma once

#include <QString>
#include <QStringList>

// The MCU box's content: its list entries and, separately, the text it displays.
struct DeviceCatalogue {
    QStringList entries{QString()}; // design time: one empty entry
    QString text = QStringLiteral("Select an MCU");
};

inline const QString DeviceCataloguePath = QStringLiteral("PIC\\DEVICES.txt");

// Fills the catalogue from the device list file: every line becomes an entry, the box displays the
// first line as read, then the "PIC17" entries are dropped and the "PIC" prefix is cut (keeping at
// most 20 characters). Throws OrvexError when the file cannot be opened, leaving `catalogue` as it
// was.
void LoadDeviceCatalogue(DeviceCatalogue &catalogue, const QString &path = DeviceCataloguePath);

// The walk of LoadDeviceCatalogue over the entries alone.
void stripCatalogueEntries(QStringList &entries);
