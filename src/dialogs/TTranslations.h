#pragma once
// Qt's own texts (file dialogs, standard buttons, the engine's page menus) in Simplified
// Chinese, whatever the system's language: the rest of the program speaks it too.

#include <QString>

class TTranslations {
public:
    // Installs Qt's Simplified Chinese catalogues into the running application. False when the
    // base catalogue is missing (the system's Qt translations are not installed): Qt's dialogs
    // then stay in English, and nothing else changes.
    static bool Load();
    // The folder the catalogues are read from.
    static QString Folder();
};
