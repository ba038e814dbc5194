#include "dialogs/TTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QString>
#include <QTranslator>

QString TTranslations::Folder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool TTranslations::Load() {
    const QLocale chinese(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
    bool base = false;
    for (const char *catalogue : {"qtbase", "qtwebengine"}) {
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (!translator->load(chinese, QString::fromLatin1(catalogue), QStringLiteral("_"),
                              Folder())) {
            delete translator;
            continue;
        }
        QCoreApplication::installTranslator(translator);
        if (qstrcmp(catalogue, "qtbase") == 0)
            base = true;
    }
    return base;
}
