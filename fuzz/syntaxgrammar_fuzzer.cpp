// Any grammar text compiles, and matching its productions over a token list ends.
#include "syntaxgrammar.h"

#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    SyntaxGrammar g;
    g.compile(text, {QStringLiteral("Unknown"), QStringLiteral("Identifier"), QStringLiteral("Symbol")});
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts).mid(0, 16);
    int lowestRead = 0;
    SyntaxGrammar::Tokens tokens{[&](int i) {
                                     lowestRead = std::min(lowestRead, i);
                                     return QStringView(words[i]);
                                 },
                                 [&](int i) {
                                     lowestRead = std::min(lowestRead, i);
                                     return i % 3;
                                 }};
    const int newest = int(words.size()) - 1;
    for (int p = 0; p < g.productionCount(); ++p) {
        // A refused newest token: the match reads it alone, raises nothing and consumes nothing.
        const bool refused = newest >= 0 && !g.mayMatchFrom(p, words[newest], newest % 3);
        lowestRead = newest;
        try {
            const int first = g.match(p, tokens, newest);
            if (first < -1 || first > words.size())
                __builtin_trap();
            if (refused && ((first != -1 && first != newest + 1) || lowestRead != newest))
                __builtin_trap();
        } catch (const SyntaxGrammar::Error &) {
            if (refused)
                __builtin_trap();
        }
    }
    g.maxLength();
    return 0;
}
