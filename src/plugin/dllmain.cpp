/* The library's entry point: it starts nothing of the plugin. The library brings no C
   runtime start-up of its own (the system's msvcrt needs none from it): the entry
   point makes the library's static objects, the locks the state groups need among
   them, and ends them, last made first, when the library is unloaded. */

#include <windows.h>

/* The list of the static objects' makers that the linker gathers: a -1, the makers,
   and a 0 that ends it. */
extern "C" void (*__CTOR_LIST__[])();

/* The static objects' endings, which their makers register as they make them: a fixed
   table, as the library makes few of them. One that finds no room is not registered,
   and then the object is simply not ended at unload (its memory goes with the process
   or is left as it is). */
namespace {
enum { ENDINGS = 16 };
struct Endings {
    void (*calls[ENDINGS])();
    int count;
} endings;
} // namespace

extern "C" int atexit(void (*ending)()) {
    if (endings.count == ENDINGS) return -1;
    endings.calls[endings.count++] = ending;
    return 0;
}

static void makeStaticObjects() {
    int count = 0;
    while (__CTOR_LIST__[count + 1])
        ++count;
    /* Made in the order the runtime would make them: the last listed first. */
    for (int i = count; i > 0; --i)
        __CTOR_LIST__[i]();
}

static void endStaticObjects() {
    while (endings.count > 0)
        endings.calls[--endings.count]();
}

extern "C" BOOL WINAPI WarbleEntry(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        makeStaticObjects();
    } else if (reason == DLL_PROCESS_DETACH) {
        endStaticObjects();
    }
    return TRUE;
}
