#pragma once

#include <QString>

// The program writes its data paths with backslashes ("PIC\DEVICES.txt"); this is the one place
// they become file-system paths.
QString toFileSystemPath(const QString &path);

// The error raised when a file exists in name but cannot be opened: absolute path, then the
// system's reason.
[[noreturn]] void throwCannotOpenFile(const QString &path, const QString &systemError);
