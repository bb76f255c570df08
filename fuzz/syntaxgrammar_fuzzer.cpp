// Any grammar text compiles, and matching its productions over a token list ends.
#include "syntaxgrammar.h"

#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    SyntaxGrammar g;
    g.compile(text, {QStringLiteral("Unknown"), QStringLiteral("Identifier"), QStringLiteral("Symbol")});
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts).mid(0, 16);
    SyntaxGrammar::Tokens tokens{[&](int i) { return QStringView(words[i]); }, [](int i) { return i % 3; }};
    for (int p = 0; p < g.productionCount(); ++p) {
        try {
            const int first = g.match(p, tokens, int(words.size()) - 1);
            if (first < -1 || first > words.size())
                __builtin_trap();
        } catch (const SyntaxGrammar::Error &) {
        }
    }
    g.maxLength();
    return 0;
}
