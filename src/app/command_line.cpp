#include "command_line.h"

#include "lumatic_config.h"

#include <cstdio>
#include <cstring>

namespace lumatic {

namespace {

const char usage[] = "Usage: lumatic [--help | --version]\n"
                     "Shows the twenty numbered light styles of Kingpin: Life of Crime maps and\n"
                     "previews each as a grey swatch. It needs a display; without one, run:\n"
                     "  xvfb-run -a lumatic\n"
                     "\n"
                     "  --help     print this text and exit\n"
                     "  --version  print the version and exit\n"
                     "\n"
                     "Any other argument is ignored. More in lumatic(1).\n";

// A full disk or a closed pipe must not pass for an answer.
int print(const char *text) {
    if (std::fputs(text, stdout) < 0 || std::fflush(stdout) != 0) {
        std::perror("lumatic: cannot write the answer");
        return 1;
    }
    return 0;
}

} // namespace

std::optional<int> answerCommandLine(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0)
            return print(usage);
        if (std::strcmp(argv[i], "--version") == 0)
            return print("lumatic " LUMATIC_VERSION "\n");
    }
    return std::nullopt;
}

} // namespace lumatic
