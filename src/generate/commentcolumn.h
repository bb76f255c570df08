#pragma once

#include <QString>

// Where the one-per-line generators put an option's comment ("; " + desc) after the line text.
// `column` is the comment column (positions count from 1).

// Old style: the semicolon at max(column + 1, length + 2), but never beyond length + 30; nothing
// is trimmed.
QString oldStyleCommentedLine(const QString &text, int column, const QString &desc);

// New style: `text` (which starts with two spaces) with the comment, when there is one, at
// max(column, length + 2), or at length + 105 if that is smaller; trailing blanks are removed.
QString newStyleLine(const QString &text, bool withComment, int column, const QString &desc);

// `text` without leading and trailing characters at or below U+0020.
QString trimControl(const QString &text);
