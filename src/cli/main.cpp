// orvex-cli: the headless front end. Loads the device data as the window does and prints the
// results in line formats other tools read.

#include "clicommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <cstdio>
#include <iterator>

namespace {

const CliCommand commands[] = {
    {"devices", "devices                     print the MCU box's entries", runDevices},
    {"tree", "tree MCU                    print the visible configuration tree of MCU", runTree},
    {"scramble", "scramble IN OUT             scramble a configuration tree text", runScramble},
    {"unscramble", "unscramble IN OUT           unscramble a configuration tree file", runUnscramble},
    {"generate", "generate MCU [OPTIONS]      print the generated text for MCU (--style new|old,\n"
     "                              --lines one|long, --headers/--tessel3/--verify/--comments on|off,\n"
     "                              --column N, --choose/--unselect SETTING=OPTION, --errors,\n"
     "                              --show-lexer)",
     runGenerate},
    {"lex", "lex [--lexer NAME] [--device MCU] [--count] FILE\n"
     "                              print the tokens, ranges and range styles of FILE", runLex},
    {"version", "version FILE                print the version fields a program file carries", runVersion},
};

QString usageText()
{
    QString text = QStringLiteral("Usage: orvex-cli [--data DIR] COMMAND [ARGS]\n\n"
                                  "  --data DIR                  work in DIR (where PIC\\DEVICES.txt is)\n\n"
                                  "Commands:\n");
    for (const CliCommand &c : commands)
        text += QStringLiteral("  ") + QLatin1String(c.usage) + QLatin1Char('\n');
    return text;
}

int usage(const QString &message)
{
    if (!message.isEmpty())
        printErr(QStringLiteral("orvex-cli: ") + message);
    std::fputs(usageText().toUtf8().constData(), stderr);
    return ExitUsage;
}

} // namespace

void printOut(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
}

void printErr(const QString &line)
{
    std::fflush(stdout);
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);

    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(usageText().toUtf8().constData(), stdout);
        return ExitOk;
    }
    if (!args.isEmpty() && args.first() == QStringLiteral("--data")) {
        if (args.size() < 2)
            return usage(QStringLiteral("--data needs a folder"));
        if (!QDir::setCurrent(args[1])) {
            printErr(QStringLiteral("Cannot change to folder \"%1\".").arg(args[1]));
            return ExitFailure;
        }
        args = args.mid(2);
    }
    if (args.isEmpty())
        return usage(QStringLiteral("no command given"));

    const QString name = args.takeFirst();
    for (const CliCommand &c : commands) {
        if (name == QLatin1String(c.name)) {
            try {
                return c.run(args);
            } catch (const UsageError &e) {
                return usage(e.message);
            }
        }
    }
    return usage(QStringLiteral("unknown command \"%1\"").arg(name));
}
