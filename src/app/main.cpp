#include "app/command_line.h"
#include "app/display_probe.h"
#include "app/run.h"

#include <cstdio>

int main(int argc, char **argv) {
    if (const std::optional<int> answered = lumatic::answerCommandLine(argc, argv))
        return *answered;
    if (const std::string missing = lumatic::missingDisplay(); !missing.empty()) {
        std::fprintf(stderr, "lumatic: %s\n", missing.c_str());
        return 1;
    }
    return lumatic::run(argc, argv);
}
