/* A stand-in for the X client library's Xinerama part, for the multi-monitor test session.
 * Placed first on LD_LIBRARY_PATH, it tells every X client of the session (Wine, the window
 * manager) that the display is split into the heads listed in GLIMMORA_XINERAMA_HEADS:
 *
 *   GLIMMORA_XINERAMA_HEADS="1024x768+800+0,800x600+0+84"
 *
 * each head WIDTHxHEIGHT+X+Y in the coordinates of the X screen, which must hold them all.
 * Without the variable (or with one that does not parse) it answers that there is no Xinerama,
 * as a display without the extension would. Built by scripts/wine-session.sh with the host
 * compiler; it needs no X headers, since it only hands out numbers. */
#include <stdlib.h>
#include <string.h>

typedef struct _XDisplay Display; /* never looked into */
typedef int Bool;
typedef int Status;

typedef struct {
    int screen_number;
    short x_org;
    short y_org;
    short width;
    short height;
} XineramaScreenInfo;

enum { MaxHeads = 16 };

/* Parses the variable into `heads`; returns how many there are, 0 when it is absent or wrong. */
static int ReadHeads(XineramaScreenInfo heads[MaxHeads]) {
    const char* text = getenv("GLIMMORA_XINERAMA_HEADS");
    int count = 0;
    if (!text)
        return 0;
    while (*text) {
        char* end;
        long v[4];
        const char separators[4] = {'x', '+', '+', '\0'};
        for (int i = 0; i < 4; ++i) {
            v[i] = strtol(text, &end, 10);
            if (end == text || v[i] < 0 || v[i] > 32767)
                return 0;
            text = end;
            if (i < 3) {
                if (*text != separators[i])
                    return 0;
                ++text;
            }
        }
        if (count == MaxHeads || v[0] == 0 || v[1] == 0)
            return 0;
        heads[count].screen_number = count;
        heads[count].width = (short)v[0];
        heads[count].height = (short)v[1];
        heads[count].x_org = (short)v[2];
        heads[count].y_org = (short)v[3];
        ++count;
        if (*text == ',')
            ++text;
        else if (*text)
            return 0;
    }
    return count;
}

Bool XineramaQueryExtension(Display* display, int* eventBase, int* errorBase) {
    XineramaScreenInfo heads[MaxHeads];
    (void)display;
    if (eventBase)
        *eventBase = 0;
    if (errorBase)
        *errorBase = 0;
    return ReadHeads(heads) > 0;
}

Status XineramaQueryVersion(Display* display, int* major, int* minor) {
    XineramaScreenInfo heads[MaxHeads];
    (void)display;
    if (ReadHeads(heads) == 0)
        return 0;
    if (major)
        *major = 1;
    if (minor)
        *minor = 1;
    return 1;
}

Bool XineramaIsActive(Display* display) {
    XineramaScreenInfo heads[MaxHeads];
    (void)display;
    return ReadHeads(heads) > 0;
}

/* The caller releases the array with XFree, which is free(). */
XineramaScreenInfo* XineramaQueryScreens(Display* display, int* number) {
    XineramaScreenInfo heads[MaxHeads];
    int count = ReadHeads(heads);
    XineramaScreenInfo* copy = NULL;
    (void)display;
    if (count > 0) {
        copy = malloc(sizeof heads[0] * (size_t)count);
        if (copy)
            memcpy(copy, heads, sizeof heads[0] * (size_t)count);
        else
            count = 0;
    }
    if (number)
        *number = count;
    return copy;
}
