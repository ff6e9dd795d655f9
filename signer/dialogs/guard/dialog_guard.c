/* A GTK 3 module that zenity loads (GTK_MODULES) for the signer's dialogs: for half a second
 * after a window of the dialog appears or gets the focus, the keys that answer a dialog (Enter,
 * space) and every click or touch are dropped. A page cannot then have a person press Enter,
 * or click, just as the dialog comes up and answer it unread; typing into the PIN field is left
 * alone, so no digit of a PIN is lost.
 *
 * Written against GTK 3's stable ABI with the few declarations it needs, so that it builds
 * without GTK's development files: it runs only inside zenity, which brings GTK along. */
#include <stdint.h>
#include <time.h>

typedef union _GdkEvent GdkEvent;
typedef void (*GdkEventFunc)(GdkEvent* event, void* data);

extern void gdk_event_handler_set(GdkEventFunc func, void* data, void (*notify)(void*));
extern int gdk_event_get_event_type(const GdkEvent* event);
extern int gdk_event_get_keyval(const GdkEvent* event, unsigned* keyval);
extern void gtk_main_do_event(GdkEvent* event);
extern unsigned g_idle_add_full(int priority, int (*function)(void*), void* data,
                                void (*notify)(void*));

enum {
  kButtonPress = 4,
  kDoubleButtonPress = 5,
  kTripleButtonPress = 6,
  kButtonRelease = 7,
  kKeyPress = 8,
  kKeyRelease = 9,
  kFocusChange = 12,
  kMap = 14,
  kVisibilityNotify = 29,
  kTouchBegin = 37,
  kTouchEnd = 39,
};

static const int64_t kGuardMicroseconds = 500 * 1000;
static const int kPriorityHigh = -100;
static int64_t armed_at = INT64_MIN / 2;

static int64_t Now(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (int64_t)now.tv_sec * 1000000 + now.tv_nsec / 1000;
}

static int AnswersADialog(const GdkEvent* event) {
  unsigned keyval = 0;
  if (!gdk_event_get_keyval(event, &keyval)) return 1;
  switch (keyval) {
    case 0x0020: /* space */
    case 0xff0d: /* Return */
    case 0xff8d: /* KP_Enter */
    case 0xfe34: /* ISO_Enter */
    case 0xff80: /* KP_Space */
    case 0xff60: /* Select */
    case 0xff62: /* Execute */
      return 1;
    default:
      return 0;
  }
}

static void Filter(GdkEvent* event, void* data) {
  (void)data;
  const int type = gdk_event_get_event_type(event);
  const int64_t now = Now();
  switch (type) {
    case kMap:
    case kVisibilityNotify:
    case kFocusChange:
      armed_at = now;
      break;
    case kButtonPress:
    case kDoubleButtonPress:
    case kTripleButtonPress:
    case kButtonRelease:
    case kTouchBegin:
    case kTouchEnd:
      if (now - armed_at < kGuardMicroseconds) return;
      break;
    case kKeyPress:
    case kKeyRelease:
      if (now - armed_at < kGuardMicroseconds && AnswersADialog(event)) return;
      break;
    default:
      break;
  }
  gtk_main_do_event(event);
}

/* GTK sets its own handler while it starts, possibly after loading modules; ours takes over
 * before the first event is dispatched. */
static int Install(void* data) {
  (void)data;
  gdk_event_handler_set(Filter, 0, 0);
  return 0;
}

__attribute__((visibility("default"))) void gtk_module_init(int* argc, char*** argv) {
  (void)argc;
  (void)argv;
  gdk_event_handler_set(Filter, 0, 0);
  g_idle_add_full(kPriorityHigh, Install, 0, 0);
}
