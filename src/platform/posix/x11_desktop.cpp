#include "platform/posix/x11_desktop.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace platform::x11 {

namespace {

// libX11's own declarations, for the few calls made here; its interface has not changed in
// decades, and the host does not need the development headers to be built.
using Display = void;
using Atom = unsigned long;
using Window = TXWindow;
using Bool = int;
using Status = int;

struct XClientMessageEvent {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window window;
  Atom message_type;
  int format;
  union {
    char b[20];
    short s[10];
    long l[5];
  } data;
};
union XEvent {
  int type;
  XClientMessageEvent xclient;
  long pad[24];
};
struct XWindowAttributes {
  int x, y, width, height, border_width, depth;
  void* visual;
  Window root;
  int c_class, bit_gravity, win_gravity, backing_store;
  unsigned long backing_planes, backing_pixel;
  Bool save_under;
  unsigned long colormap;
  Bool map_installed;
  int map_state;
  long all_event_masks, your_event_mask, do_not_propagate_mask;
  Bool override_redirect;
  void* screen;
};
struct XErrorEvent;

constexpr int kClientMessage = 33;
constexpr long kSubstructureNotifyMask = 1L << 19;
constexpr long kSubstructureRedirectMask = 1L << 20;
constexpr Atom kAnyPropertyType = 0;
constexpr Atom kXaWindow = 33;
constexpr Atom kXaCardinal = 6;
constexpr Atom kXaAtom = 4;
constexpr int kIsViewable = 2;
constexpr long kNormalState = 1;
constexpr long kIconicState = 3;
constexpr int kRevertToParent = 2;
constexpr long kSourcePager = 2;

}  // namespace

struct TX11Desktop::TLibrary {
  Display* (*OpenDisplay)(const char*);
  int (*CloseDisplay)(Display*);
  Window (*DefaultRootWindow)(Display*);
  Atom (*InternAtom)(Display*, const char*, Bool);
  int (*GetWindowProperty)(Display*, Window, Atom, long, long, Bool, Atom, Atom*, int*,
                           unsigned long*, unsigned long*, unsigned char**);
  int (*Free)(void*);
  Status (*QueryTree)(Display*, Window, Window*, Window*, Window**, unsigned int*);
  Status (*GetWindowAttributes)(Display*, Window, XWindowAttributes*);
  Status (*SendEvent)(Display*, Window, Bool, long, XEvent*);
  int (*RaiseWindow)(Display*, Window);
  int (*MapRaised)(Display*, Window);
  int (*SetInputFocus)(Display*, Window, int, unsigned long);
  int (*GetInputFocus)(Display*, Window*, int*);
  int (*Flush)(Display*);
  int (*Sync)(Display*, Bool);
  void* (*SetErrorHandler)(int (*)(Display*, XErrorEvent*));
  void* (*SetIOErrorHandler)(int (*)(Display*));
  // libX11 1.7 and later; null before.
  void (*SetIOErrorExitHandler)(Display*, void (*)(Display*, void*), void*);
};

namespace {

// A window may go away between being listed and being asked about; Xlib's default answer to
// that error would end the host.
int IgnoreError(Display*, XErrorEvent*) { return 0; }

// The connection whose server went away (all calls are made on one thread). Xlib's default
// answer to that is to end the process; here it only ends the connection: every call on it
// fails from then on, the search finds nothing and the next one connects again.
Display* gLostDisplay = nullptr;

int NoteLostConnection(Display* display) {
  gLostDisplay = display;
  return 0;
}

// Called after the handler above instead of exit(); returning leaves the connection unusable
// but the process running.
void KeepRunning(Display*, void*) {}

const TX11Desktop::TLibrary* LoadLibrary() {
  static const TX11Desktop::TLibrary* loaded = []() -> const TX11Desktop::TLibrary* {
    void* handle = ::dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
    if (handle == nullptr) return nullptr;
    static TX11Desktop::TLibrary x{};
    bool complete = true;
    auto bind = [&](auto& function, const char* name) {
      function =
          reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(handle, name));
      complete = complete && function != nullptr;
    };
    bind(x.OpenDisplay, "XOpenDisplay");
    bind(x.CloseDisplay, "XCloseDisplay");
    bind(x.DefaultRootWindow, "XDefaultRootWindow");
    bind(x.InternAtom, "XInternAtom");
    bind(x.GetWindowProperty, "XGetWindowProperty");
    bind(x.Free, "XFree");
    bind(x.QueryTree, "XQueryTree");
    bind(x.GetWindowAttributes, "XGetWindowAttributes");
    bind(x.SendEvent, "XSendEvent");
    bind(x.RaiseWindow, "XRaiseWindow");
    bind(x.MapRaised, "XMapRaised");
    bind(x.SetInputFocus, "XSetInputFocus");
    bind(x.GetInputFocus, "XGetInputFocus");
    bind(x.Flush, "XFlush");
    bind(x.Sync, "XSync");
    bind(x.SetErrorHandler, "XSetErrorHandler");
    bind(x.SetIOErrorHandler, "XSetIOErrorHandler");
    if (!complete) return nullptr;
    x.SetIOErrorExitHandler = reinterpret_cast<decltype(x.SetIOErrorExitHandler)>(
        ::dlsym(handle, "XSetIOErrorExitHandler"));
    x.SetErrorHandler(IgnoreError);
    x.SetIOErrorHandler(NoteLostConnection);
    return &x;
  }();
  return loaded;
}

}  // namespace

std::unique_ptr<TX11Desktop> TX11Desktop::Connect() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return nullptr;
  const TLibrary* x = LoadLibrary();
  if (x == nullptr) return nullptr;
  Display* display = x->OpenDisplay(name);
  if (display == nullptr) return nullptr;
  // An older libX11 still ends the process when the server goes away: it offers no way out of
  // its I/O error handler but a jump across its own frames.
  if (x->SetIOErrorExitHandler) x->SetIOErrorExitHandler(display, KeepRunning, nullptr);
  return std::unique_ptr<TX11Desktop>(new TX11Desktop(*x, display));
}

TX11Desktop::~TX11Desktop() {
  // After the server went away XCloseDisplay only frees what the connection held.
  FX.CloseDisplay(FDisplay);
  if (gLostDisplay == FDisplay) gLostDisplay = nullptr;
}

bool TX11Desktop::Lost() const noexcept { return gLostDisplay == FDisplay; }

unsigned long TX11Desktop::AtomNamed(const char* name) { return FX.InternAtom(FDisplay, name, 0); }

std::vector<unsigned long> TX11Desktop::Property(TXWindow window, unsigned long property,
                                                 unsigned long type) {
  std::vector<unsigned long> values;
  unsigned long actualType = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  if (FX.GetWindowProperty(FDisplay, window, property, 0, 4096, 0, type, &actualType, &format,
                           &count, &after, &data) != 0) {
    return values;
  }
  // 32-bit properties come back as an array of longs, whatever their declared width.
  if (data != nullptr && format == 32) {
    const auto* items = reinterpret_cast<const unsigned long*>(data);
    values.assign(items, items + count);
  }
  if (data != nullptr) FX.Free(data);
  return values;
}

bool TX11Desktop::ManagerSupports(unsigned long atom) {
  const auto supported =
      Property(FX.DefaultRootWindow(FDisplay), AtomNamed("_NET_SUPPORTED"), kXaAtom);
  return std::find(supported.begin(), supported.end(), atom) != supported.end();
}

std::vector<TXWindow> TX11Desktop::ClientWindows() {
  const Window root = FX.DefaultRootWindow(FDisplay);
  std::vector<TXWindow> windows = Property(root, AtomNamed("_NET_CLIENT_LIST"), kXaWindow);
  if (!windows.empty()) return windows;
  Window rootReturn = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (FX.QueryTree(FDisplay, root, &rootReturn, &parent, &children, &count) != 0 &&
      children != nullptr) {
    windows.assign(children, children + count);
    FX.Free(children);
  }
  return windows;
}

std::optional<pid_t> TX11Desktop::WindowPid(TXWindow window) {
  const auto pid = Property(window, AtomNamed("_NET_WM_PID"), kXaCardinal);
  if (pid.empty()) return std::nullopt;
  return static_cast<pid_t>(pid.front());
}

bool TX11Desktop::IsShown(TXWindow window) {
  const auto state = Property(window, AtomNamed("WM_STATE"), kAnyPropertyType);
  if (!state.empty()) return state.front() == kNormalState || state.front() == kIconicState;
  XWindowAttributes attributes{};
  return FX.GetWindowAttributes(FDisplay, window, &attributes) != 0 &&
         attributes.map_state == kIsViewable;
}

bool TX11Desktop::IsIconic(TXWindow window) {
  const auto state = Property(window, AtomNamed("WM_STATE"), kAnyPropertyType);
  if (!state.empty() && state.front() == kIconicState) return true;
  const auto netState = Property(window, AtomNamed("_NET_WM_STATE"), kXaAtom);
  const unsigned long hidden = AtomNamed("_NET_WM_STATE_HIDDEN");
  return std::find(netState.begin(), netState.end(), hidden) != netState.end();
}

TXWindow TX11Desktop::ActiveWindow() {
  const Window root = FX.DefaultRootWindow(FDisplay);
  const auto active = Property(root, AtomNamed("_NET_ACTIVE_WINDOW"), kXaWindow);
  if (!active.empty()) return active.front();
  Window focus = 0;
  int revert = 0;
  FX.GetInputFocus(FDisplay, &focus, &revert);
  return focus;
}

void TX11Desktop::Restore(TXWindow window) {
  FX.MapRaised(FDisplay, window);
  FX.Flush(FDisplay);
}

void TX11Desktop::Raise(TXWindow window) {
  FX.RaiseWindow(FDisplay, window);
  FX.Flush(FDisplay);
}

void TX11Desktop::Activate(TXWindow window) {
  const unsigned long activeWindow = AtomNamed("_NET_ACTIVE_WINDOW");
  if (!ManagerSupports(activeWindow)) {
    FX.SetInputFocus(FDisplay, window, kRevertToParent, 0);
    FX.Flush(FDisplay);
    return;
  }
  XEvent event{};
  event.xclient.type = kClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = activeWindow;
  event.xclient.format = 32;
  event.xclient.data.l[0] = kSourcePager;
  event.xclient.data.l[1] = 0;  // CurrentTime
  event.xclient.data.l[2] = static_cast<long>(ActiveWindow());
  FX.SendEvent(FDisplay, FX.DefaultRootWindow(FDisplay), 0,
               kSubstructureRedirectMask | kSubstructureNotifyMask, &event);
  // Wait until the server has it, so that the next look at the active window is not too early.
  FX.Sync(FDisplay, 0);
}

}  // namespace platform::x11
