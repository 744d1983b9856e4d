#pragma once

namespace lumatic {

// Gives the engine a home of its own for the rest of the process: an owner-only folder under
// $XDG_RUNTIME_DIR (or the temporary folder when that is unusable), set as HOME and as the XDG
// cache, data, config and state homes, and removed when the process ends. Chromium puts its
// certificate store under HOME and the graphics library its shader cache under the cache home;
// the program keeps nothing on disk, so none of that may reach the user's home. It must run
// before the engine's library is loaded: on loading, the engine may make an OpenGL context, and
// the graphics library reads these once, then.
// Returns false, leaving the environment as it was, when no such folder can be made.
bool usePrivateHome();

} // namespace lumatic
