#include "filesystempath.h"

#include "orvexerror.h"

#include <QFileInfo>

QString toFileSystemPath(const QString &path)
{
    QString result = path;
    result.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return result;
}

void throwCannotOpenFile(const QString &path, const QString &systemError)
{
    const QString absolute = QFileInfo(toFileSystemPath(path)).absoluteFilePath();
    throw OrvexError(QStringLiteral("Cannot open file \"%1\". %2").arg(absolute, systemError));
}
