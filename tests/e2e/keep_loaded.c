/* Preloaded into a sanitizer build of the game: dlclose leaves every shared object loaded.
   LeakSanitizer checks for leaks at exit, after the GL driver has been unloaded; with the
   driver still mapped its allocations keep their module name, so a suppression for the
   driver's own start-up allocations can match them. */
#include <stddef.h>

int dlclose(void* handle) {
    (void)handle;
    return 0;
}
