#pragma once

#include "registrydata.h"

#include <QString>
#include <functional>

// The current user's registry hive, kept in one file. Every call opens the file, reads or writes
// it, and closes it again; nothing is cached between calls.
class RegistryStore {
public:
    // $XDG_CONFIG_HOME/Tarnwell/Orvex/user.reg (~/.config when the variable is unset).
    static QString userStorePath();

    explicit RegistryStore(QString filePath = userStorePath());
    const QString &filePath() const { return m_filePath; }

    // The hive as it is now; empty when the file is missing or unreadable. A file that does not
    // parse is renamed to "<file>.bad" so that the program goes on from defaults and the next
    // save does not destroy what the user may want to recover.
    RegistryData load() const;

    // Read-modify-write under an inter-process lock; the file is replaced atomically, so a crash
    // or a concurrent save never leaves a half-written hive. Returns false when the lock could not
    // be taken or the file could not be written; the hive is unchanged then.
    bool update(const std::function<void(RegistryData &)> &change);

    // Opens a key like RegCreateKeyEx: creates it in the file when missing and returns its values
    // (an empty key when it cannot be created).
    RegistryData::Key openKey(const QString &path);

private:
    RegistryData loadLocked() const;

    QString m_filePath;
};
