#include "commentcolumn.h"

namespace {

constexpr int OldStyleFill = 29;
constexpr int NewStyleFill = 104;

} // namespace

QString oldStyleCommentedLine(const QString &text, int column, const QString &desc)
{
    if (text.size() < column - 1)
        return (text + QString(OldStyleFill, QLatin1Char(' '))).left(column) +
               QStringLiteral("; ") + desc;
    return text + QStringLiteral(" ; ") + desc;
}

QString newStyleLine(const QString &text, bool withComment, int column, const QString &desc)
{
    QString line = text + QString(NewStyleFill, QLatin1Char(' '));
    if (withComment) {
        // 1-based position of the semicolon; an insert beyond the end appends.
        const qsizetype position = text.size() < column - 1 ? column : text.size() + 2;
        line.insert(qMin(position - 1, line.size()), QStringLiteral("; ") + desc);
    }
    return QStringLiteral("  ") + trimControl(line);
}

QString trimControl(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}
