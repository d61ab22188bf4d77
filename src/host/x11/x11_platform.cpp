#include "host/x11/x11_platform.h"

#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "game_finder/game_finder.h"
#include "render/draw_frame.h"
#include "seam/monitors.h"
#include "show/game_archive.h"
#include "textures/texture.h"

namespace {
// Set by the error handler that stands while a window given by id is looked up.
bool windowLookupFailed = false;
int noteWindowLookupError(Display*, XErrorEvent*) {
    windowLookupFailed = true;
    return 0;
}

// The metrics of character `code` (below 256) in `font`; null when the font lacks it.
const XCharStruct* characterMetrics(const XFontStruct* font, unsigned code) {
    if (font->per_char == nullptr) return &font->max_bounds;  // every glyph alike
    // In a two-byte font these codes are row 0, which must be the first row.
    if (font->min_byte1 > 0 || code < font->min_char_or_byte2 || code > font->max_char_or_byte2) return nullptr;
    const XCharStruct* metrics = &font->per_char[code - font->min_char_or_byte2];
    // Xlib gives a character the font does not have all-zero metrics.
    if (metrics->width == 0 && metrics->lbearing == 0 && metrics->rbearing == 0 && metrics->ascent == 0 &&
        metrics->descent == 0)
        return nullptr;
    return metrics;
}

// Display lists 1..127 for the glyphs of `font`. glXUseXFont leaves the list of
// a glyph without ink (the space) without its advance, so those lists are made
// again with the glyph's width; a character the font lacks advances as X draws
// it, by its default character.
void buildGlyphLists(const XFontStruct* font) {
    glXUseXFont(font->fid, 1, 127, 1);  // list 0 is no valid list name; character 0 is never drawn
    const XCharStruct* fallback = characterMetrics(font, font->default_char);
    for (unsigned code = 1; code < 128; ++code) {
        const XCharStruct* metrics = characterMetrics(font, code);
        if (metrics == nullptr) {
            if (fallback != nullptr) defineBlankGlyph(code, fallback->width);
            continue;
        }
        const bool hasInk = metrics->rbearing > metrics->lbearing && metrics->ascent + metrics->descent > 0;
        if (!hasInk) defineBlankGlyph(code, metrics->width);
    }
}
}  // namespace

X11Platform::X11Platform(Display* display, const KvssOptions& options, FileOptionStore& store)
    : display_(display), options_(options), store_(store) {}

X11Platform::~X11Platform() {
    destroyGlContext();
    if (visual_ != nullptr) XFree(visual_);
    if (ownsWindow_ && window_ != 0) XDestroyWindow(display_, window_);
}

XVisualInfo* X11Platform::chooseVisual() {
    const int screen = DefaultScreen(display_);
    // Depth bits as well as the double-buffered RGBA that the saver asks for:
    // without them X servers may give a visual with no depth buffer at all.
    int withDepth[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                       GLX_DEPTH_SIZE, 16, None};
    if (XVisualInfo* visual = glXChooseVisual(display_, screen, withDepth)) return visual;
    int plain[] = {GLX_RGBA, GLX_DOUBLEBUFFER, None};
    return glXChooseVisual(display_, screen, plain);
}

void X11Platform::openWindow() {
    const int screen = DefaultScreen(display_);
    const Window rootWindow = RootWindow(display_, screen);
    if (options_.mode == WindowMode::root || options_.mode == WindowMode::windowId) {
        window_ = options_.mode == WindowMode::root ? rootWindow : static_cast<Window>(options_.windowId);
        // A window that is gone (or never was) must end kvss with one line,
        // not with Xlib's default report of the failed request.
        XSync(display_, False);
        windowLookupFailed = false;
        const XErrorHandler previous = XSetErrorHandler(noteWindowLookupError);
        XWindowAttributes attributes;
        const Status found = XGetWindowAttributes(display_, window_, &attributes);
        if (found != 0) XSelectInput(display_, window_, StructureNotifyMask | ExposureMask);
        XSync(display_, False);
        XSetErrorHandler(previous);
        if (found == 0 || windowLookupFailed) {
            char text[160];
            std::snprintf(text, sizeof text, "no window 0x%lx on display %s", static_cast<unsigned long>(window_),
                          DisplayString(display_));
            throw std::runtime_error(text);
        }
        // The window's own visual must be used; find its GLX description.
        XVisualInfo wanted;
        wanted.visualid = XVisualIDFromVisual(attributes.visual);
        wanted.screen = XScreenNumberOfScreen(attributes.screen);
        int count = 0;
        visual_ = XGetVisualInfo(display_, VisualIDMask | VisualScreenMask, &wanted, &count);
        int doubleBuffered = 0;
        if (visual_ == nullptr || glXGetConfig(display_, visual_, GLX_DOUBLEBUFFER, &doubleBuffered) != 0)
            throw std::runtime_error("the window's visual does not support OpenGL");
        return;
    }

    visual_ = chooseVisual();
    if (visual_ == nullptr) throw std::runtime_error("no double-buffered RGBA OpenGL visual");
    XSetWindowAttributes attributes{};
    attributes.colormap = XCreateColormap(display_, rootWindow, visual_->visual, AllocNone);
    attributes.background_pixel = BlackPixel(display_, screen);
    attributes.border_pixel = 0;
    attributes.event_mask = StructureNotifyMask | ExposureMask | KeyPressMask;
    unsigned long mask = CWColormap | CWBackPixel | CWBorderPixel | CWEventMask;
    int width = options_.width;
    int height = options_.height;
    if (options_.mode == WindowMode::fullscreen) {
        width = DisplayWidth(display_, screen);
        height = DisplayHeight(display_, screen);
        attributes.event_mask |= ButtonPressMask | PointerMotionMask;
        attributes.override_redirect = True;  // above everything, no decorations, as a screen saver
        mask |= CWOverrideRedirect;
    }
    window_ = XCreateWindow(display_, rootWindow, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                            visual_->depth, InputOutput, visual_->visual, mask, &attributes);
    ownsWindow_ = true;
    XStoreName(display_, window_, options_.mode == WindowMode::fullscreen ? "Screen Saver" : "kvss");
    deleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display_, window_, &deleteWindow_, 1);
    XMapRaised(display_, window_);
    if (options_.mode == WindowMode::fullscreen) {
        hideCursor();
        XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
        Window rootReturn, child;
        unsigned int buttons;
        int rootX, rootY;
        XQueryPointer(display_, window_, &rootReturn, &child, &rootX, &rootY, &pointerAtOpen_.x, &pointerAtOpen_.y,
                      &buttons);
    }
    XSync(display_, False);
}

void X11Platform::hideCursor() {
    static char empty[1] = {0};
    const Pixmap blank = XCreateBitmapFromData(display_, window_, empty, 1, 1);
    XColor black{};
    const Cursor cursor = XCreatePixmapCursor(display_, blank, blank, &black, &black, 0, 0);
    XDefineCursor(display_, window_, cursor);
    XFreeCursor(display_, cursor);
    XFreePixmap(display_, blank);
}

ClientRect X11Platform::clientRect() {
    XWindowAttributes attributes;
    XGetWindowAttributes(display_, window_, &attributes);
    return {0, 0, attributes.width, attributes.height};
}

namespace {
// The monitors of RandR 1.5, which a user or xrandr --setmonitor may also
// define by hand; none where the server lacks them.
std::vector<Monitor> randrMonitors(Display* display, Window root) {
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase) || !XRRQueryVersion(display, &major, &minor) ||
        major < 1 || (major == 1 && minor < 5))
        return {};
    int count = 0;
    XRRMonitorInfo* info = XRRGetMonitors(display, root, True, &count);
    std::vector<Monitor> monitors;
    for (int i = 0; i < count; ++i)
        monitors.push_back({{info[i].x, info[i].y, info[i].x + info[i].width, info[i].y + info[i].height},
                            info[i].primary != 0});
    if (info != nullptr) XRRFreeMonitors(info);
    return monitors;
}

// Xinerama's screens, which name no primary: the first stands for it.
std::vector<Monitor> xineramaMonitors(Display* display) {
    int eventBase = 0, errorBase = 0;
    if (!XineramaQueryExtension(display, &eventBase, &errorBase) || !XineramaIsActive(display)) return {};
    int count = 0;
    XineramaScreenInfo* screens = XineramaQueryScreens(display, &count);
    std::vector<Monitor> monitors;
    for (int i = 0; i < count; ++i)
        monitors.push_back({{screens[i].x_org, screens[i].y_org, screens[i].x_org + screens[i].width,
                             screens[i].y_org + screens[i].height},
                            i == 0});
    if (screens != nullptr) XFree(screens);
    return monitors;
}
}  // namespace

std::vector<Monitor> X11Platform::monitors() {
    const ClientRect area = clientRect();
    // A window of its own is one picture, wherever it is moved.
    if (options_.mode == WindowMode::ownWindow) return {{area, true}};
    const Window root = RootWindow(display_, DefaultScreen(display_));
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display_, window_, root, 0, 0, &x, &y, &child);
    std::vector<Monitor> screen = randrMonitors(display_, root);
    if (screen.empty()) screen = xineramaMonitors(display_);
    return monitorsInWindow(screen, {x, y, x + area.width(), y + area.height()});
}

void X11Platform::createGlContext(bool buildFont) {
    context_ = glXCreateContext(display_, visual_, nullptr, True);
    if (context_ == nullptr) throw std::runtime_error("cannot create an OpenGL context");
    glXMakeCurrent(display_, window_, context_);
    // Textures still held when the saver ends must not touch GL once the context is gone.
    setGlContextQuery([] { return glXGetCurrentContext() != nullptr; });
    if (buildFont) {
        font_ = XLoadQueryFont(display_, "fixed");
        if (font_ == nullptr) font_ = XLoadQueryFont(display_, "*");
        if (font_ != nullptr) buildGlyphLists(font_);
    }
}

void X11Platform::destroyGlContext() {
    if (context_ == nullptr) return;
    glXMakeCurrent(display_, None, nullptr);
    glXDestroyContext(display_, context_);
    context_ = nullptr;
    if (font_ != nullptr) {
        XFreeFont(display_, font_);
        font_ = nullptr;
    }
}

void* X11Platform::glProcAddress(const char* name) {
    return reinterpret_cast<void*>(glXGetProcAddress(reinterpret_cast<const GLubyte*>(name)));
}

void X11Platform::swapBuffers() { glXSwapBuffers(display_, window_); }

TimeStamp X11Platform::now() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    return {static_cast<int32_t>(tv.tv_sec), static_cast<uint16_t>(tv.tv_usec / 1000)};
}

std::optional<std::string> X11Platform::gameArchivePath() {
    // An archive named on the command line is taken as given: opening it says what is wrong with it.
    if (!options_.archive.empty()) return archivePathFor(options_.archive);
    // kvss asks before its window opens and the saver asks again: one search serves both.
    if (archiveFound_) return *archiveFound_;
    archiveFound_.emplace();
    Settings settings;
    loadSettings(store_, settings);
    options_.applyTo(settings);
    GameSearch search;
    search.chosen = settings.game_dir;
    const GameSearchResult result = findGame(search);
    if (!result.found.empty()) *archiveFound_ = result.found.front().archive;
    return *archiveFound_;
}

void X11Platform::fatal(const char* message) {
    std::fprintf(stderr, "%s\n", message);
    // Without a dialog to choose the folder in, say how to tell kvss, and how to find out why.
    if (std::strcmp(message, notInstalledMessage) == 0)
        std::fprintf(stderr,
                     "Looked in Steam's libraries, GOG (Heroic) and Wine, Proton, Bottles, Heroic and Lutris prefixes.\n"
                     "Give the game's folder with --game DIR, or a line game_dir=DIR in %s.\n"
                     "kvtool find-game --verbose lists every place looked and why each was passed over.\n",
                     store_.path().c_str());
    std::exit(1);
}

