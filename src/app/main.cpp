#include "shell/CommandLineFiles.h"
#include "shell/ProgramSetup.h"
#include "shell/frmVambrel.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv) {
    vambrel::PreferFrenchLocale();
    QApplication app(argc, argv);
    vambrel::SetUpProgram(app);
    vambrel::frmVambrel window;
    window.show();
    // Catalogues given by the desktop or the command line (`Vambrel FILE...`).
    window.OpenFiles(vambrel::CommandLineFiles(app.arguments().mid(1), QDir::currentPath()));
    return app.exec();
}
