#pragma once

#include <QByteArray>

// Configuration tree files are stored scrambled with a fixed key. The transformation is its own
// inverse, so the same function scrambles and unscrambles.
namespace Scrambler {

// The key, 100 bytes of Windows-1252 text.
QByteArray motto();

// Byte k becomes (NOT b) XOR key[k mod 100], except that every 100th byte (k mod 100 = 99) is
// only inverted: the key's last character never takes part.
QByteArray transform(const QByteArray &bytes, const QByteArray &key = motto());

} // namespace Scrambler
