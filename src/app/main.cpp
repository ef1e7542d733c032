#include "shell/ProgramSetup.h"
#include "shell/frmVambrel.h"

#include <QApplication>

int main(int argc, char** argv) {
    vambrel::PreferFrenchLocale();
    QApplication app(argc, argv);
    vambrel::SetUpProgram(app);
    vambrel::frmVambrel window;
    window.show();
    return app.exec();
}
