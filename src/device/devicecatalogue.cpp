#include "devicecatalogue.h"

#include "textfile.h"

void stripCatalogueEntries(QStringList &entries)
{
    qsizetype i = 0;
    while (i < entries.size()) {
        QString &entry = entries[i];
        if (entry.startsWith(QLatin1String("PIC17"))) {
            entries.removeAt(i); // the entry moving into place is examined next
            continue;
        }
        if (entry.startsWith(QLatin1String("PIC")))
            entry = entry.mid(3, 20);
        ++i;
    }
}

void LoadDeviceCatalogue(DeviceCatalogue &catalogue, const QString &path)
{
    QStringList lines = TextFile::readLines(path);
    if (!lines.isEmpty())
        catalogue.text = lines.first();
    stripCatalogueEntries(lines);
    catalogue.entries = std::move(lines);
}
