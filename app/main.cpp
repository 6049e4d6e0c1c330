#include "app/Application.h"

int main(int argc, char** argv) {
    Application app(argc, argv);
    app.run();
    // A second instance ends just as quietly as the first.
    return 0;
}
