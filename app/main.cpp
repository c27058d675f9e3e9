#include "app/CPlanApp.h"

int main(int argc, char** argv) {
    kestrum::CPlanApp app(argc, argv);
    return app.run();
}
