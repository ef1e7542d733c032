#include "shell/frmVambrel.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The standard dialogs (the save dialog of "&Nouveau", its overwrite question) speak French.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTexts);
    vambrel::frmVambrel window;
    window.show();
    return app.exec();
}
