// Hostile patterns must compile or fail cleanly, and every match must end within its budget.
#include "syntaxregex.h"

#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int modifiers = data[0] & 63;
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    // The first line is the pattern, the rest the text it is matched against at every position.
    const qsizetype nl = input.indexOf(QLatin1Char('\n'));
    const QString pattern = nl < 0 ? input : input.left(nl);
    const QString text = nl < 0 ? input : input.mid(nl + 1);
    SyntaxRegex re(pattern, modifiers);
    for (qsizetype pos = 0; pos <= text.size(); ++pos) {
        qsizetype readEnd = 0;
        const int n = re.match(text, pos, &readEnd);
        if (n < 0 || pos + n > text.size() || readEnd > text.size() + 1)
            __builtin_trap();
    }
    return 0;
}
