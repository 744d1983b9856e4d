#pragma once

#include <optional>

namespace lumatic {

// The two questions every Linux program answers, asked before any window exists: --help and
// --version print their answer on standard output and give the exit status; any other
// argument is ignored, and then there is nothing to answer.
std::optional<int> answerCommandLine(int argc, char **argv);

} // namespace lumatic
