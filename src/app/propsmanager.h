#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QStringView>

// Keeps a list of published properties of a window and its components in one registry key of
// the current user. Each entry is "Property" (of the window) or "Component.Property"; names
// match without regard to case, and each value is stored as REG_SZ under the entry's exact
// text. Every entry is handled on its own: one that cannot be resolved, read, converted or
// written is skipped and never reported.
//
// Besides the Qt properties of an object, these published properties are understood:
// Left, Top, Width, Height (a window's outer bounds, a control's place in its parent; the
// first pane of a splitter is sized through the splitter), Text of a combo box or line edit,
// and WindowState of a window ("wsNormal", "wsMinimized", "wsMaximized").
class TPropsManager : public QObject {
    Q_OBJECT

public:
    explicit TPropsManager(QObject *parent = nullptr);

    QObject *Template = nullptr; // the window the paths start from
    QString IniSection;          // key below HKEY_CURRENT_USER
    QStringList Properties;

    // Opens (creating) the key, restores every entry in list order, closes the key.
    void LoadProps();
    // Opens (creating) the key, stores every entry in list order, closes the key.
    void SaveProps();

    // Below U+0020, "#" and "$" become "#HH", above U+00FF "$HHHH"; the rest stays.
    static QString escapeValue(QStringView text);
    // The reverse, scanning backwards so that a decoded character never starts another escape.
    // An escape without its full hexadecimal digits is left as written.
    static QString unescapeValue(QStringView stored);
};
