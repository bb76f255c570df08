#pragma once

#include <QList>
#include <QString>
#include <utility>

// What a gputils device header says about the configuration words, before any interpretation.
struct HeaderSymbol {
    QString name; // "_FOSC_HS"
    quint32 value = 0;
    QString description;
};

// Symbols of one register's options section that the header keeps together (no blank line
// between them).
struct SymbolGroup {
    QString section; // the register: "CONFIG1", "CONFIG2H"
    QList<HeaderSymbol> symbols;
};

// One entry of a PIC18 header's list of CONFIG settings.
struct ListedSetting {
    QString name;                              // "FOSC"
    QString description;                       // "Oscillator Selection bits"
    QList<std::pair<QString, QString>> values; // ("HS", "HS oscillator")
};

struct DeviceHeader {
    QString deviceName; // "16F1827", as the processor check names it
    // The address symbols "_CONFIG1", ... in header order (without the underscore), and the
    // banner table "CONFIG1L 300000h" naming the same words.
    QList<std::pair<QString, quint32>> configWords;
    QList<std::pair<QString, quint32>> wordTable;
    QList<SymbolGroup> groups;
    QList<ListedSetting> listedSettings;
};

// Reads the parts of a device header that describe the configuration words. Throws OrvexError
// with a short reason when the text is not a header for one device.
DeviceHeader readDeviceHeader(const QString &text);
