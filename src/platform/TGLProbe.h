#pragma once
// Whether this machine can make an OpenGL context on its X display, asked before Qt starts:
// Qt and the web engine show pages through OpenGL when there is any, a GPU's or a software
// rasteriser's, and need the software path only where no context can be made.

#include <QString>

class TGLProbe {
public:
    struct TResult {
        bool OpenGL = false;
        QString Renderer; // GL_RENDERER, such as "llvmpipe (LLVM 15.0.6, 256 bits)"
        QString Reason;   // why there is no OpenGL
        // A rasteriser on the CPU (Mesa's llvmpipe, softpipe, swrast; SwiftShader).
        bool SoftwareRasteriser() const;
    };
    // Opens the display ($DISPLAY), makes a GLX context current on a 1x1 pbuffer and reads its
    // renderer. The GL library stays loaded for Qt, which loads it again.
    static TResult Run();
};
