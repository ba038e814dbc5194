#include "mainwindow/TMainRole.h"

#include "controls/TSkin.h"
#include "controls/TSkinForm.h"
#include "core/TCompanion.h"
#include "core/TWBEmbedded.h"
#include "mainwindow/TfrmMain.h"
#include "side/TCatalogue.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <memory>

int RunMainRole(QApplication &app, const QStringList &args) {
    const QString skinError = LoadSkin(QStringLiteral("default"));
    if (!skinError.isEmpty())
        std::fprintf(stderr, "Ludora: %s\n", qPrintable(skinError));

    // Registration resolves game locations in the catalogue, so it is read before any tab.
    const QString programDir = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    Catalogue().LoadCatalogue(TCatalogue::FileName(programDir));

    auto frmMain = std::make_unique<TfrmMain>(TCompanion::FromArguments(args));
    frmMain->show();
    // For scripts and tests that start tab processes by hand.
    if (qEnvironmentVariableIsSet("LUDORA_PRINT_HANDLES"))
        std::fprintf(stdout, "main window %llu page area %llu tab bar %llu\n",
                     static_cast<unsigned long long>(frmMain->Handle()),
                     static_cast<unsigned long long>(frmMain->PageAreaHandle()),
                     static_cast<unsigned long long>(frmMain->TabBarHandle()));
    std::fflush(stdout);
    const int result = app.exec();
    frmMain.reset();
    TWBEmbedded::DestroyAll();
    return result;
}
