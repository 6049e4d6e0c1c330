#include "app/VorlatApp.h"

int main(int argc, char** argv) {
    CVorlatApp app(argc, argv);
    app.InitInstance();
    // A second instance ends just as quietly as the first.
    return 0;
}
