#include "archiver_frontend.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return runFrontend(app.arguments().mid(1), FrontendKind::Ace);
}
