#include "clicommands.h"
#include "clidevice.h"
#include "devicecatalogue.h"
#include "orvexerror.h"
#include "scrambler.h"
#include "treenode.h"

#include <QFile>
#include <vector>

int runDevices(const QStringList &args)
{
    if (!args.isEmpty())
        throw UsageError{QStringLiteral("devices takes no arguments")};
    DeviceCatalogue catalogue;
    try {
        LoadDeviceCatalogue(catalogue);
    } catch (const OrvexError &e) {
        printErr(e.message());
        return ExitFailure;
    }
    for (const QString &entry : std::as_const(catalogue.entries))
        printOut(entry);
    return ExitOk;
}

int runTree(const QStringList &args)
{
    if (args.size() != 1)
        throw UsageError{QStringLiteral("tree needs exactly one MCU name")};
    CliDevice device;
    if (!device.load(args.first()))
        return ExitFailure;

    const ConfigSession &session = device.session;
    // The nodes the window shows after the load: those whose ancestors are all expanded.
    std::vector<const TreeNode *> stack{session.tree().first()};
    while (!stack.empty()) {
        const TreeNode *node = stack.back();
        stack.pop_back();
        printOut(QStringLiteral("%1\t%2\t%3\t%4")
                     .arg(node->level())
                     .arg(node->stateIndex)
                     .arg(node->imageIndex)
                     .arg(node->text));
        if (node->expanded) {
            for (int i = node->childCount() - 1; i >= 0; --i)
                stack.push_back(node->child(i));
        }
    }
    printOut(QStringLiteral("old-style\t%1").arg(OldStyleAvailable(session.tree()) ? 1 : 0));
    printOut(QStringLiteral("new-style\t%1").arg(NewStyleAvailable(session.tree()) ? 1 : 0));
    printOut(QStringLiteral("ConfigBits\t") + device.configBits()->words().join(QLatin1Char('\t')));
    printOut(QStringLiteral("NewConfigBits\t") +
             device.newConfigBits()->words().join(QLatin1Char('\t')));
    return ExitOk;
}

static int transformFile(const QStringList &args, const char *name)
{
    if (args.size() != 2)
        throw UsageError{QStringLiteral("%1 needs IN and OUT").arg(QLatin1String(name))};
    QFile in(args[0]);
    if (!in.open(QIODevice::ReadOnly)) {
        printErr(QStringLiteral("Cannot read \"%1\": %2").arg(args[0], in.errorString()));
        return ExitFailure;
    }
    const QByteArray out = Scrambler::transform(in.readAll());
    QFile file(args[1]);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(out) != out.size()) {
        printErr(QStringLiteral("Cannot write \"%1\": %2").arg(args[1], file.errorString()));
        return ExitFailure;
    }
    return ExitOk;
}

int runScramble(const QStringList &args)
{
    return transformFile(args, "scramble");
}

int runUnscramble(const QStringList &args)
{
    return transformFile(args, "unscramble");
}
