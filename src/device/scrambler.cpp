#include "scrambler.h"

namespace Scrambler {

QByteArray motto()
{
    // "\xA7" is the section sign in Windows-1252.
    static const QByteArray key("Nblo iujyl wuumiy vlz m mzyw ycqsk lc; chxx each one with care "
                                "and read the data sheet twice (\xA7 42).");
    return key;
}

QByteArray transform(const QByteArray &bytes, const QByteArray &key)
{
    QByteArray out(bytes.size(), Qt::Uninitialized);
    const qsizetype keyLength = key.size();
    for (qsizetype k = 0; k < bytes.size(); ++k) {
        // The read position after the byte is k + 1; a position that is a multiple of the key's
        // length selects key byte 0x00.
        const qsizetype i = keyLength ? (k + 1) % keyLength : 0;
        const unsigned char keyByte = i ? static_cast<unsigned char>(key[i - 1]) : 0;
        out[k] = static_cast<char>(~static_cast<unsigned char>(bytes[k]) ^ keyByte);
    }
    return out;
}

} // namespace Scrambler
