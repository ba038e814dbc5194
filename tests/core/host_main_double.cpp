// The main-window double as a process of its own, for the tests that end it from outside.
// Prints "page-area <handle>" once it is up and "registered <host>" for every page host.
#include "THostTestKit.h"
#include "TMainDouble.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[]) {
    THostTestKit::PrepareEngine();
    QApplication app(argc, argv);
    if (!Win::Initialize())
        return 1;
    TMainDouble main;
    main.OnRegister = [](const TMainDouble::TRegistration &r) {
        std::printf("registered %llu\n", static_cast<unsigned long long>(r.Host));
        std::fflush(stdout);
    };
    std::printf("page-area %llu\n", static_cast<unsigned long long>(main.PageArea()));
    std::fflush(stdout);
    return app.exec();
}
