#include "FileTime.h"
#include "JobServer.h"
#include "TypeNames.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    vambrel::UseFrenchTexts();
    vambrel::PinLocalTimeZone();
    return vambrel::JobServer(0, 1).run();
}
