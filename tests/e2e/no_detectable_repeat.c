/* Preloaded into the game by end-to-end tests: an X connection that cannot switch on
   detectable auto-repeat, so held keys keep arriving as release-and-press pairs. */
#include <X11/XKBlib.h>

Bool XkbSetDetectableAutoRepeat(Display* display, Bool detectable, Bool* supported) {
    (void)display;
    (void)detectable;
    if (supported)
        *supported = False;
    return False;
}
