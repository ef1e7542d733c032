#include "JobCommand.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    vambrel::JobCommand command(stdout, stderr);
    return command.run(app.arguments().mid(1));
}
