#pragma once

#include <QString>

namespace lumatic {

// Process-wide settings the web engine reads when its first object is created; they must be
// applied before that.

// Qt 6.4's start-up report (category qt.webenginecontext, on by default) reads the global OpenGL
// share context, which does not exist when the engine is loaded after QApplication without
// Qt::AA_ShareOpenGLContexts, and crashes on it. Turning the category off avoids the crash.
void silenceWebEngineContextLog();

// Qt Quick's software renderer: lighter and faster than OpenGL through a software rasteriser,
// and needs no share context either.
void useSoftwareSceneGraph();

// Why the engine cannot start here, in one line for the user, or nothing: as root, or where
// the kernel refuses the namespaces its sandbox needs. Chromium would end the whole process or
// run pages unsandboxed; the program never switches the sandbox off itself.
QString whyTheEngineCannotStart();

} // namespace lumatic
