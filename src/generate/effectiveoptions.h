#pragma once

#include <QList>

class TreeNode;

// The chip-default fallback, the one tier in which the generators differ.
enum class ChipDefaultTier {
    EveryDefault,           // old style, one per line: every "default" option
    FirstDefault,           // old style, long lines: the first "default" option
    FirstDefaultWithConfig, // new style: the first "default" option, only if it has a "config"
};

// The options of a setting that generation writes, in order: the chosen ones; failing those the
// compiler defaults; failing those the chip default(s).
QList<const TreeNode *> effectiveOptions(const TreeNode *setting, ChipDefaultTier chipDefault);
