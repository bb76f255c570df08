#include "configtreefile.h"

#include "orvexerror.h"
#include "scrambler.h"
#include "textfile.h"
#include "treenode.h"

void parseConfigTreeText(QStringView text, Tree &tree)
{
    tree.clear();
    TreeNode *previous = nullptr;
    const QStringList lines = TextFile::splitLines(text);
    for (const QString &line : lines) {
        int depth = 0;
        while (depth < line.size() &&
               (line[depth] == QLatin1Char('\t') || line[depth] == QLatin1Char(' ')))
            ++depth;
        QString itemText = line.sliced(depth);

        if (!previous) {
            previous = tree.appendTopLevel(std::move(itemText));
            continue;
        }
        const int level = previous->level();
        if (depth == level + 1) {
            previous = previous->appendChild(std::move(itemText));
        } else if (depth > level + 1) {
            throw OrvexError(
                QStringLiteral("Invalid level (%1) for item \"%2\"").arg(depth).arg(itemText));
        } else {
            TreeNode *ancestor = previous;
            while (ancestor->level() > depth)
                ancestor = ancestor->parent();
            TreeNode *parent = ancestor->parent();
            previous = parent ? parent->appendChild(std::move(itemText))
                              : tree.appendTopLevel(std::move(itemText));
        }
    }
}

void LoadConfigTreeFile(const QString &path, Tree &loader)
{
    loader.clear();
    const QByteArray plain = Scrambler::transform(TextFile::readBytes(path));
    parseConfigTreeText(TextFile::decode(plain), loader);
}

QString FindAttribute(const TreeNode *node, const QString &key)
{
    if (!node)
        return {};
    for (int i = 0; i < node->childCount(); ++i) {
        const QString &line = node->child(i)->text;
        // Positions below are 0-based; the value starts two characters after the "=".
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        QStringView name = eq > 0 ? QStringView(line).first(eq) : QStringView();
        while (!name.isEmpty() && name.front() <= QLatin1Char(' '))
            name = name.sliced(1);
        while (!name.isEmpty() && name.back() <= QLatin1Char(' '))
            name.chop(1);
        if (name == key)
            return line.mid(eq + 2);
    }
    return {};
}
