#pragma once

#include <QString>

namespace lumatic {

// Process-wide settings the web engine reads when its first object is created; they must be
// applied before that.

// Qt Quick's software renderer: lighter and faster than OpenGL through a software rasteriser,
// and needs no share context either.
void useSoftwareSceneGraph();

// Why the engine cannot start here, in one line for the user, or nothing: as root, or where
// the kernel refuses the namespaces its sandbox needs. Chromium would end the whole process or
// run pages unsandboxed; the program never switches the sandbox off itself.
QString whyTheEngineCannotStart();

} // namespace lumatic
