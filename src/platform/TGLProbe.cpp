#include "platform/TGLProbe.h"

#include <dlfcn.h>

// Only what the probe needs of Xlib and GLX, loaded at run time: a machine without the GL
// library has no OpenGL, and the program must still start there.
namespace {

struct Display;
using XID = unsigned long;
using GLXFBConfig = struct FBConfigRec *;
using GLXContext = struct ContextRec *;
using XErrorHandler = int (*)(Display *, void *);

constexpr int GlxDrawableType = 0x8010;
constexpr int GlxRenderType = 0x8011;
constexpr int GlxRgbaBit = 0x1;
constexpr int GlxPbufferBit = 0x4;
constexpr int GlxRgbaType = 0x8014;
constexpr int GlxPbufferHeight = 0x8040;
constexpr int GlxPbufferWidth = 0x8041;
constexpr unsigned GlRenderer = 0x1F01;

int IgnoreXError(Display *, void *) {
    return 0; // a failed request makes the probe answer "no", never ends the process
}

template <typename F> F Symbol(void *lib, const char *name) {
    return reinterpret_cast<F>(dlsym(lib, name));
}

} // namespace

bool TGLProbe::TResult::SoftwareRasteriser() const {
    const QString r = Renderer.toLower();
    return r.contains(QLatin1String("llvmpipe")) || r.contains(QLatin1String("softpipe")) ||
           r.contains(QLatin1String("swrast")) || r.contains(QLatin1String("swiftshader"));
}

TGLProbe::TResult TGLProbe::Run() {
    TResult result;
    void *x11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_GLOBAL);
    void *gl = x11 ? dlopen("libGL.so.1", RTLD_NOW | RTLD_GLOBAL) : nullptr;
    if (!gl) {
        result.Reason = QStringLiteral("no X11 or GL library");
        return result;
    }
    const auto openDisplay = Symbol<Display *(*)(const char *)>(x11, "XOpenDisplay");
    const auto closeDisplay = Symbol<int (*)(Display *)>(x11, "XCloseDisplay");
    const auto defaultScreen = Symbol<int (*)(Display *)>(x11, "XDefaultScreen");
    const auto setErrorHandler = Symbol<XErrorHandler (*)(XErrorHandler)>(x11, "XSetErrorHandler");
    const auto sync = Symbol<int (*)(Display *, int)>(x11, "XSync");
    const auto xfree = Symbol<int (*)(void *)>(x11, "XFree");
    const auto queryExtension = Symbol<int (*)(Display *, int *, int *)>(gl, "glXQueryExtension");
    const auto chooseConfig =
        Symbol<GLXFBConfig *(*)(Display *, int, const int *, int *)>(gl, "glXChooseFBConfig");
    const auto createContext = Symbol<GLXContext (*)(Display *, GLXFBConfig, int, GLXContext, int)>(
        gl, "glXCreateNewContext");
    const auto destroyContext = Symbol<void (*)(Display *, GLXContext)>(gl, "glXDestroyContext");
    const auto createPbuffer =
        Symbol<XID (*)(Display *, GLXFBConfig, const int *)>(gl, "glXCreatePbuffer");
    const auto destroyPbuffer = Symbol<void (*)(Display *, XID)>(gl, "glXDestroyPbuffer");
    const auto makeCurrent =
        Symbol<int (*)(Display *, XID, XID, GLXContext)>(gl, "glXMakeContextCurrent");
    const auto getString = Symbol<const unsigned char *(*)(unsigned)>(gl, "glGetString");
    if (!openDisplay || !closeDisplay || !defaultScreen || !setErrorHandler || !sync || !xfree ||
        !queryExtension || !chooseConfig || !createContext || !destroyContext || !createPbuffer ||
        !destroyPbuffer || !makeCurrent || !getString) {
        result.Reason = QStringLiteral("the GL library lacks GLX 1.3");
        return result;
    }
    Display *display = openDisplay(nullptr);
    if (!display) {
        result.Reason = QStringLiteral("no X display");
        return result;
    }
    const XErrorHandler previous = setErrorHandler(IgnoreXError);
    int errorBase = 0, eventBase = 0, count = 0;
    GLXFBConfig *configs = nullptr;
    if (!queryExtension(display, &errorBase, &eventBase)) {
        result.Reason = QStringLiteral("the X display has no GLX");
    } else {
        const int wanted[] = {GlxDrawableType, GlxPbufferBit, GlxRenderType, GlxRgbaBit, 0};
        configs = chooseConfig(display, defaultScreen(display), wanted, &count);
        if (!configs || count < 1)
            result.Reason = QStringLiteral("no GLX frame buffer configuration");
    }
    if (configs && count > 0) {
        GLXContext context = createContext(display, configs[0], GlxRgbaType, nullptr, 1);
        const int size[] = {GlxPbufferWidth, 1, GlxPbufferHeight, 1, 0};
        const XID surface = context ? createPbuffer(display, configs[0], size) : 0;
        sync(display, 0);
        if (context && surface && makeCurrent(display, surface, surface, context)) {
            const unsigned char *renderer = getString(GlRenderer);
            result.OpenGL = renderer != nullptr;
            result.Renderer = QString::fromLatin1(reinterpret_cast<const char *>(renderer));
            makeCurrent(display, 0, 0, nullptr);
        }
        if (!result.OpenGL)
            result.Reason = QStringLiteral("no OpenGL context could be made");
        if (surface)
            destroyPbuffer(display, surface);
        if (context)
            destroyContext(display, context);
    }
    if (configs)
        xfree(configs);
    sync(display, 0);
    setErrorHandler(previous);
    closeDisplay(display);
    return result;
}
