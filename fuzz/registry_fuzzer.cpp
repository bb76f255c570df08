// Feeds arbitrary bytes to the settings store parser; whatever parses must serialize and parse
// back to the same text.
#include "registrydata.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto parsed = RegistryData::parse(QByteArrayView(data, static_cast<qsizetype>(size)));
    if (!parsed)
        return 0;
    const QByteArray once = parsed->serialize();
    const auto again = RegistryData::parse(once);
    if (!again || again->serialize() != once)
        std::abort();
    return 0;
}
