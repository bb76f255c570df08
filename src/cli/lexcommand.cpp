#include "clicommands.h"
#include "clidevice.h"
#include "syntaxanalysis.h"
#include "syntaxmanager.h"

#include <QFile>
#include <QStringDecoder>

namespace {

QString ruleLine(const SyntaxAnalysis &a, const SyntaxToken &t)
{
    const SyntRule *rule = a.tokenRule(t);
    return QStringLiteral("%1\t%2\t%3\t%4\t%5")
        .arg(t.start)
        .arg(t.end)
        .arg(t.type)
        .arg(rule->DisplayName, rule->lexer->LexerName());
}

} // namespace

int runLex(const QStringList &args)
{
    QString lexerName = QStringLiteral("Tessel");
    QString device;
    QString file;
    bool countOnly = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--lexer") || a == QLatin1String("--device")) {
            if (i + 1 >= args.size())
                throw UsageError{QStringLiteral("%1 needs a value").arg(a)};
            (a == QLatin1String("--lexer") ? lexerName : device) = args[++i];
        } else if (a == QLatin1String("--count")) {
            countOnly = true;
        } else if (file.isEmpty() && !a.startsWith(QLatin1String("--"))) {
            file = a;
        } else {
            throw UsageError{QStringLiteral("unexpected argument \"%1\"").arg(a)};
        }
    }
    if (file.isEmpty())
        throw UsageError{QStringLiteral("lex needs a FILE")};

    CliDevice cli;
    SyntAnalyzer *lexer = cli.library.FindAnalyzer(lexerName);
    if (!lexer) {
        printErr(QStringLiteral("Unknown lexer \"%1\".").arg(lexerName));
        return ExitFailure;
    }
    if (!device.isEmpty() && !cli.load(device))
        return ExitFailure;

    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        printErr(QStringLiteral("Cannot read \"%1\": %2").arg(file, in.errorString()));
        return ExitFailure;
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(in.readAll());
    in.close();

    SyntaxAnalysis analysis;
    analysis.setLexer(lexer);
    analysis.setText(text);
    QObject::connect(&analysis, &SyntaxAnalysis::errorRaised, [](const QString &m) { printErr(m); });
    analysis.analyze();

    if (countOnly) {
        printOut(QString::number(analysis.tokens().size()));
        return ExitOk;
    }
    QString out;
    out.reserve(int(analysis.tokens().size()) * 32);
    auto line = [&out](const QString &l) {
        out += l;
        out += QLatin1Char('\n');
        if (out.size() > (1 << 20)) {
            const QByteArray bytes = out.toUtf8();
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
            out.clear();
        }
    };
    for (const SyntaxToken &t : analysis.tokens())
        line(ruleLine(analysis, t));
    for (const TextRange &r : analysis.ranges())
        line(QStringLiteral("range\t%1\t%2\t%3").arg(r.startToken).arg(r.endToken).arg(r.rule->DisplayName));
    for (const SubLexerRange &s : analysis.subLexerRanges())
        line(QStringLiteral("sub\t%1\t%2\t%3").arg(s.start).arg(s.end).arg(s.rule->DisplayName));
    const AnalysisResults results = analysis.finish();
    for (const RangeStyle &s : results.rangeStyles) {
        QStringList flags;
        if (s.lineHighlight)
            flags << QStringLiteral("line");
        if (s.caretDependent)
            flags << QStringLiteral("caret");
        line(QStringLiteral("style\t%1\t%2\t%3\t%4")
                 .arg(s.start)
                 .arg(s.end)
                 .arg(s.lexer->formats()[size_t(s.style)].DisplayName,
                      flags.isEmpty() ? QStringLiteral("-") : flags.join(QLatin1Char(','))));
    }
    const QByteArray bytes = out.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    return ExitOk;
}
