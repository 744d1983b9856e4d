#pragma once

namespace lumatic {

// What the web engine needs of the whole process, set up in one place and once: the session
// bus, the runtime folder, the engine's logging, the messages it prints on starting, and room in
// the environment for its private home. Call it before the application object exists, while the
// process has one thread: it changes the environment, which other threads may read. The program
// calls it first thing; the loader calls it as well, for hosts that did not, where it does
// nothing the second time.
void prepareEngineProcess();

} // namespace lumatic
