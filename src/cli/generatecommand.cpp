// orvex-cli generate: the editor pane's text after a device load and a sequence of the window's
// output-control and tree actions, applied in command-line order.

#include "clicommands.h"
#include "clidevice.h"
#include "generator.h"
#include "treenode.h"

#include <QRegularExpression>
#include <vector>

namespace {

// The editor pane: its lines and the name of its lexer (the window starts with "Tessel").
class PaneSink : public OutputSink {
public:
    QStringList lines;
    QString lexer = QStringLiteral("Tessel");

    void clearLines() override { lines.clear(); }
    void appendLine(const QString &line) override { lines.append(line); }
    void setLexerByName(const QString &name) override { lexer = name; }
};

// The window's output controls, with the click and change handlers that regenerate.
class OutputControls {
public:
    explicit OutputControls(CliDevice &device, const QString &mcuName) : m_device(device)
    {
        options.mcuName = mcuName;
        device.session.generate = [this] { regenerate(); };
        device.session.applyStyleAvailability = [this](const StyleAvailability &a) {
            setOldStyle(!a.newChecked);
        };
    }

    OutputOptions options;
    PaneSink editor;
    QStringList errorPane{QStringLiteral("ErrorsMemo")};
    qsizetype errorsBeforeLastRun = 1;

    void regenerate()
    {
        errorsBeforeLastRun = errorPane.size();
        GenerateButtonClick(m_device.session.tree(), options, editor, errorPane);
    }

    // A radio button or check box runs its click handler only when its state changes.
    void setOldStyle(bool old)
    {
        if (options.oldStyle == old)
            return;
        options.oldStyle = old;
        regenerate();
    }

    void setLongLines(bool longLines)
    {
        if (options.longLines == longLines)
            return;
        options.longLines = longLines;
        options.commentsEnabled = !longLines;
        regenerate();
    }

    void setCheckBox(bool OutputOptions::*box, bool checked)
    {
        if (options.*box == checked)
            return;
        options.*box = checked;
        regenerate();
    }

    void setCommentColumn(int column)
    {
        column = qBound(0, column, 80);
        if (options.commentColumn == column)
            return;
        options.commentColumn = column;
        regenerate();
    }

private:
    CliDevice &m_device;
};

struct Action {
    QString option;
    QString value;
};

bool onOff(const Action &a)
{
    if (a.value == QLatin1String("on"))
        return true;
    if (a.value == QLatin1String("off"))
        return false;
    throw UsageError{QStringLiteral("%1 takes on or off").arg(a.option)};
}

int parseColumn(const QString &text)
{
    static const QRegularExpression integer(QStringLiteral("^[+-]?[0-9]+$"));
    if (!integer.match(text).hasMatch())
        throw UsageError{QStringLiteral("--column takes an integer")};
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok) // beyond 64 bits: the spin box clamps it like any other out-of-range value
        return text.startsWith(QLatin1Char('-')) ? 0 : 80;
    return static_cast<int>(qBound(qlonglong(0), value, qlonglong(80)));
}

// SETTING=OPTION, split at the first "=".
std::pair<QString, QString> settingAndOption(const Action &a)
{
    const qsizetype eq = a.value.indexOf(QLatin1Char('='));
    if (eq < 0)
        throw UsageError{QStringLiteral("%1 takes SETTING=OPTION").arg(a.option)};
    return {a.value.left(eq), a.value.mid(eq + 1)};
}

// The first option named `option` of the first setting named `setting`, in pre-order.
TreeNode *findOption(const Tree &tree, const QString &setting, const QString &option)
{
    TreeNode *settingNode = nullptr;
    tree.forEach([&](TreeNode *n) {
        if (n->level() == 2 && n->text == setting)
            settingNode = n;
        return settingNode == nullptr;
    });
    if (!settingNode) {
        printErr(QStringLiteral("No setting \"%1\".").arg(setting));
        return nullptr;
    }
    for (int i = 0; i < settingNode->childCount(); ++i) {
        if (settingNode->child(i)->text == option)
            return settingNode->child(i);
    }
    printErr(QStringLiteral("No option \"%1\" in setting \"%2\".").arg(option, setting));
    return nullptr;
}

const QStringList valueOptions{
    QStringLiteral("--style"),   QStringLiteral("--lines"),  QStringLiteral("--headers"),
    QStringLiteral("--tessel3"), QStringLiteral("--verify"), QStringLiteral("--comments"),
    QStringLiteral("--column"),  QStringLiteral("--choose"), QStringLiteral("--unselect"),
};

// Checks every action's value before anything is loaded, so a usage error never prints text.
void checkAction(const Action &a)
{
    if (a.option == QLatin1String("--style")) {
        if (a.value != QLatin1String("new") && a.value != QLatin1String("old"))
            throw UsageError{QStringLiteral("--style takes new or old")};
    } else if (a.option == QLatin1String("--lines")) {
        if (a.value != QLatin1String("one") && a.value != QLatin1String("long"))
            throw UsageError{QStringLiteral("--lines takes one or long")};
    } else if (a.option == QLatin1String("--column")) {
        parseColumn(a.value);
    } else if (a.option == QLatin1String("--choose") || a.option == QLatin1String("--unselect")) {
        settingAndOption(a);
    } else {
        onOff(a);
    }
}

bool apply(const Action &a, OutputControls &controls, ConfigSession &session)
{
    if (a.option == QLatin1String("--style")) {
        controls.setOldStyle(a.value == QLatin1String("old"));
    } else if (a.option == QLatin1String("--lines")) {
        controls.setLongLines(a.value == QLatin1String("long"));
    } else if (a.option == QLatin1String("--headers")) {
        controls.setCheckBox(&OutputOptions::headers, onOff(a));
    } else if (a.option == QLatin1String("--tessel3")) {
        controls.setCheckBox(&OutputOptions::tessel3, onOff(a));
    } else if (a.option == QLatin1String("--verify")) {
        controls.setCheckBox(&OutputOptions::verifyMcu, onOff(a));
    } else if (a.option == QLatin1String("--comments")) {
        controls.setCheckBox(&OutputOptions::comments, onOff(a));
    } else if (a.option == QLatin1String("--column")) {
        controls.setCommentColumn(parseColumn(a.value));
    } else {
        const auto [setting, option] = settingAndOption(a);
        TreeNode *node = findOption(session.tree(), setting, option);
        if (!node)
            return false;
        if (a.option == QLatin1String("--choose")) {
            session.ChooseOption(node);
        } else {
            session.setSelectedNode(node);
            session.Unselect1Click();
        }
    }
    return true;
}

} // namespace

int runGenerate(const QStringList &args)
{
    QString mcu;
    bool haveMcu = false;
    bool printErrors = false;
    bool showLexer = false;
    std::vector<Action> actions;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QLatin1String("--errors")) {
            printErrors = true;
        } else if (arg == QLatin1String("--show-lexer")) {
            showLexer = true;
        } else if (valueOptions.contains(arg)) {
            if (i + 1 >= args.size())
                throw UsageError{QStringLiteral("%1 needs a value").arg(arg)};
            actions.push_back({arg, args[++i]});
            checkAction(actions.back());
        } else if (arg.startsWith(QLatin1String("--"))) {
            throw UsageError{QStringLiteral("unknown generate option \"%1\"").arg(arg)};
        } else if (!haveMcu) {
            mcu = arg;
            haveMcu = true;
        } else {
            throw UsageError{QStringLiteral("generate takes one MCU name")};
        }
    }
    if (!haveMcu)
        throw UsageError{QStringLiteral("generate needs an MCU name")};

    CliDevice device;
    OutputControls controls(device, mcu);
    if (!device.load(mcu))
        return ExitFailure;
    for (const Action &a : actions) {
        if (!apply(a, controls, device.session))
            return ExitFailure;
    }

    for (const QString &line : std::as_const(controls.editor.lines))
        printOut(line);
    if (printErrors) {
        for (qsizetype i = controls.errorsBeforeLastRun; i < controls.errorPane.size(); ++i)
            printErr(controls.errorPane[i]);
    }
    if (showLexer)
        printErr(QStringLiteral("lexer\t") + controls.editor.lexer);
    return ExitOk;
}
