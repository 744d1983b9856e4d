#include "app/run.h"

int main(int argc, char **argv) {
    return lumatic::run(argc, argv);
}
