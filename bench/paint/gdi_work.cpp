/* The GDI work of one paint: the plugin's paintWindow into a memory surface the size
   of its window, against the least a paint of a caption can do - one BitBlt of the
   window's size and one DrawTextA of the same caption in the same font. Each measured
   paint finds the caption changed (as after a scroll step), so that it draws it;
   a repaint of an unchanged frame is shown beside. */
#include "common/pump.h"
#include "common/report.h"
#include "common/timing.h"
#include "core/owners.h"
#include "display/caption.h"
#include "display/render.h"
#include "plugin/instance.h"
#include "display/surfaces.h"
#include "nightjar/nightjar.h"
#include "settings/options.h"
#include "settings/style.h"
#include "paint/paint_bench.h"

#include <vector>

/* A memory surface compatible with the window, as the window's own DC would be. */
struct Surface {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ oldBitmap;

    Surface(HWND window, int width, int height) {
        HDC windowDC = GetDC(window);
        dc = CreateCompatibleDC(windowDC);
        bitmap = CreateCompatibleBitmap(windowDC, width, height);
        ReleaseDC(window, windowDC);
        oldBitmap = SelectObject(dc, bitmap);
    }
    ~Surface() {
        SelectObject(dc, oldBitmap);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

static double microsecondsPerPaint(int count, void (*paint)(HDC, HDC, const RECT &), HDC target,
                                   HDC source, const RECT &r) {
    Stopwatch clock;
    for (int i = 0; i < count; ++i)
        paint(target, source, r);
    GdiFlush();
    return clock.seconds() * 1e6 / count;
}

/* The caption the frame holds, as the running start keeps it from paint to paint. */
static CaptionFrame composed;

/* The caption's height's lowest bit flipped, which moves it by a pixel: a change the
   frame must be drawn again for, of no cost of its own (the text colour would be one of
   the style, and draw the background again too). */
static void pluginPaint(HDC target, HDC, const RECT &r) {
    {
        CaptionModel &caption = *runningInstance()->display.caption;
        CaptionLock lock(caption);
        caption.textHeight ^= 1;
    }
    paintWindow(runningInstance()->display, target, r, composed, 0);
}

static void unchangedPaint(HDC target, HDC, const RECT &r) {
    paintWindow(runningInstance()->display, target, r, composed, 0);
}

/* The shell's style background, which the plugin draws only when the size or
   the look changes, not on each paint. */
static void backgroundPaint(HDC target, HDC, const RECT &r) {
    MakeStyleGradient(target, const_cast<RECT *>(&r), &runningInstance()->display.style.item,
                      options.showBorder);
}

static void barePaint(HDC target, HDC source, const RECT &r) {
    BitBlt(target, 0, 0, r.right, r.bottom, source, 0, 0, SRCCOPY);
    RECT text = r;
    DrawTextA(target, SHORT_CAPTION, -1, &text, DT_CENTER | DT_NOPREFIX);
}

void runGdiWork(const PaintOptions &options) {
    setCaption(runningInstance()->display, SHORT_CAPTION);
    pumpFor(300); /* the first paint and the shell's first messages */

    HWND window = linkedPluginWindow();
    RECT client;
    GetClientRect(window, &client);
    Surface target(window, client.right, client.bottom);
    Surface source(window, client.right, client.bottom);

    /* The bare paint draws in the plugin's font and colour, set once. */
    HGDIOBJ oldFont = SelectObject(target.dc, captionFont(runningInstance()->display));
    int oldMode = SetBkMode(target.dc, TRANSPARENT);
    COLORREF oldColour = SetTextColor(target.dc, runningInstance()->display.style.item.TextColor);

    int rounds = options.rounds > 0 ? options.rounds : 5;
    int warmUp = options.iterations / 10 + 1;
    microsecondsPerPaint(warmUp, pluginPaint, target.dc, source.dc, client);
    microsecondsPerPaint(warmUp, barePaint, target.dc, source.dc, client);
    std::vector<double> plugin, bare, background, unchanged;
    for (int round = 0; round < rounds; ++round) {
        plugin.push_back(
            microsecondsPerPaint(options.iterations, pluginPaint, target.dc, source.dc, client));
        bare.push_back(
            microsecondsPerPaint(options.iterations, barePaint, target.dc, source.dc, client));
        background.push_back(microsecondsPerPaint(options.iterations, backgroundPaint, target.dc,
                                                  source.dc, client));
        unchanged.push_back(
            microsecondsPerPaint(options.iterations, unchangedPaint, target.dc, source.dc, client));
        pumpFor(20); /* lets the poller's broadcasts through between rounds */
    }

    SetTextColor(target.dc, oldColour);
    SetBkMode(target.dc, oldMode);
    SelectObject(target.dc, oldFont);

    reportCost("paint GDI work", median(plugin), median(bare), "us/op", 1.5);
    reportDetail("%ldx%ld window, caption \"%s\"; median of %d rounds of %d paints", client.right,
                 client.bottom, SHORT_CAPTION, rounds, options.iterations);
    reportDetail("the style's background (MakeStyleGradient), drawn only when the size or the "
                 "look changes: %.1f us/op",
                 median(background));
    reportDetail("a repaint of an unchanged frame (one copy to the screen): %.1f us/op",
                 median(unchanged));
}
