#include "uMain.h"

int main(int argc, char** argv) {
    return KeyvaneMain(argc, argv);
}
