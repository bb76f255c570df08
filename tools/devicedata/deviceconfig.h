#pragma once

#include "deviceheader.h"

#include <QList>
#include <QString>

// A device's configuration words as the device library presents them.
struct ConfigOption {
    QString value; // new-style value name: "HS"
    QString description;
    QString symbol;   // current old-style symbol, empty when the header has none
    QString legacy;   // an older symbol with the same value, or empty
    quint32 bits = 0; // the symbol's value
    bool isDefault = false;
};

struct ConfigSetting {
    QString name;        // new-style field name: "FOSC"
    QString description; // empty unless the header describes the field
    quint32 mask = 0;    // bits that differ between the options
    QList<ConfigOption> options;
};

struct ConfigRegister {
    QString name; // "CONFIG1", "CONFIG1L", or "CONFIG" on a device with one unnamed word
    QList<ConfigSetting> settings;
};

struct DeviceConfig {
    QString name; // "16F1827"
    QList<ConfigRegister> registers;
    QStringList notes; // what was left out, for the tool's warnings
};

// Interprets a header: fields and values from the PIC18 settings list where there is one,
// otherwise from the symbol names. Throws OrvexError when no setting can be placed in a register.
DeviceConfig buildDeviceConfig(const DeviceHeader &header);
