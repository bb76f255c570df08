// Feeds arbitrary bytes, as a program file and as a bare version section, to the version reader.
#include "versioninfo.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    (void)VersionInfo::fromElfImage(bytes);
    (void)VersionInfo::fromSection(bytes);
    return 0;
}
