#pragma once

#include <QString>
#include <QStringView>

class Tree;
class TreeNode;

// Reads a scrambled configuration tree file ("PIC\PIC<mcu>.cfgtree") into `loader`, replacing what
// it held. Throws OrvexError when the file cannot be opened or a line is indented too deep; the
// items parsed before such a line stay in the tree.
void LoadConfigTreeFile(const QString &path, Tree &loader);

// Parses unscrambled tree text: each line is one item, its depth the number of leading tabs and
// spaces. Replaces the tree's content; throws on a level error as LoadConfigTreeFile does.
void parseConfigTreeText(QStringView text, Tree &tree);

// The value of the node's first attribute line "key = value": everything after the "=" and the one
// character that follows it. The key part is trimmed, the value is not. Empty when there is none.
QString FindAttribute(const TreeNode *node, const QString &key);
