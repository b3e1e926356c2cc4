#include <QImage>
#include <QPoint>

#include <chrono>
#include <thread>

#include "tests/xvfb/xdriver.h"

// Last: Xlib defines None, Bool, Status and more as macros.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace mirca::xvfb {

struct TInput::TConnection {
    Display* display = XOpenDisplay(nullptr);
    ~TConnection() {
        if (display) XCloseDisplay(display);
    }
};

TInput::TInput() : x_(std::make_unique<TConnection>()) {}

TInput::~TInput() = default;

bool TInput::Ready() const {
    int event = 0, error = 0, major = 0, minor = 0;
    return x_->display && XTestQueryExtension(x_->display, &event, &error, &major, &minor);
}

void TInput::Settle() {
    XSync(x_->display, False);
    std::this_thread::sleep_for(40ms);
}

void TInput::Move(QPoint at) {
    XTestFakeMotionEvent(x_->display, -1, at.x(), at.y(), CurrentTime);
    Settle();
}

void TInput::Click(QPoint at, int clicks) {
    Move(at);
    for (int i = 0; i < clicks; ++i) {
        XTestFakeButtonEvent(x_->display, Button1, True, CurrentTime);
        XSync(x_->display, False);
        std::this_thread::sleep_for(20ms);
        XTestFakeButtonEvent(x_->display, Button1, False, CurrentTime);
        XSync(x_->display, False);
        std::this_thread::sleep_for(20ms);
    }
    Settle();
}

void TInput::Key(const char* name, bool control) {
    const KeyCode code = XKeysymToKeycode(x_->display, XStringToKeysym(name));
    const KeyCode ctrl = XKeysymToKeycode(x_->display, XK_Control_L);
    if (control) XTestFakeKeyEvent(x_->display, ctrl, True, CurrentTime);
    XTestFakeKeyEvent(x_->display, code, True, CurrentTime);
    XTestFakeKeyEvent(x_->display, code, False, CurrentTime);
    if (control) XTestFakeKeyEvent(x_->display, ctrl, False, CurrentTime);
    Settle();
}

void TInput::Type(const std::string& text) {
    for (const char c : text) {
        const char name[2] = {c, '\0'};
        Key(name);
    }
}

QImage TInput::Screen() const {
    Display* d = x_->display;
    const int screen = DefaultScreen(d);
    const int w = DisplayWidth(d, screen);
    const int h = DisplayHeight(d, screen);
    XImage* image = XGetImage(d, RootWindow(d, screen), 0, 0, static_cast<unsigned>(w),
                              static_cast<unsigned>(h), AllPlanes, ZPixmap);
    if (!image) return {};
    QImage copy;
    if (image->bits_per_pixel == 32)
        copy = QImage(reinterpret_cast<const uchar*>(image->data), w, h, image->bytes_per_line,
                      QImage::Format_RGB32)
                   .copy();
    XDestroyImage(image);
    return copy;
}

}  // namespace mirca::xvfb
