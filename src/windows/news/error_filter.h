#pragma once

namespace lumatic {

// From here on, what this process and the processes it starts write on standard error passes
// through a filter process that drops the engine's known noise and hands the rest on, line by
// line, to where standard error went before. The engine's sandboxed processes cannot see
// /etc/fonts, so each page's renderer reports that fontconfig has no configuration; nothing in
// the program can reach them to stop it at its source. The filter ends when the last writer
// has gone. Runs once; later calls do nothing. Returns false, changing nothing, when it cannot.
bool filterStandardError();

} // namespace lumatic
