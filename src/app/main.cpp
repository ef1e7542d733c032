#include "shell/frmVambrel.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vambrel::frmVambrel window;
    window.show();
    return app.exec();
}
