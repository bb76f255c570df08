// Feeds arbitrary bytes to the device list reader.
#include "devicecatalogue.h"
#include "textfile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QStringList entries = TextFile::splitLines(TextFile::decode(bytes));
    stripCatalogueEntries(entries);
    return 0;
}
