#pragma once

#include "outputoptions.h"
#include "outputsink.h"

#include <QStringList>

class Tree;

// What one generation run reads and writes.
struct GenerationContext {
    const Tree &tree;
    const OutputOptions &options;
    OutputSink &editor;
    QStringList &errorLines;

    // A comment is written only when the "Comments" box is both enabled and checked.
    bool commentsOn() const { return options.commentsEnabled && options.comments; }
};
