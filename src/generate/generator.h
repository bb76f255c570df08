#pragma once

#include "outputoptions.h"
#include "outputsink.h"

#include <QStringList>

class Tree;

// Rebuilds the whole output text from the configuration tree and the output options. Does nothing
// when the tree is empty. Lines about options without an old-style name go to `errorLines` (the
// error pane, which is never cleared).
void GenerateButtonClick(const Tree &tree, const OutputOptions &options, OutputSink &editor,
                         QStringList &errorLines);
