/* Reading back what the plugin's window shows: see pixels.h. */
#include "pixels.h"
#include "nightjar/nightjar.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace {

/* The caption's colour in the shell's style is light on a dark gradient: a pixel
   counts as ink when it is well lighter than any background pixel. */
bool isInk(COLORREF c) {
    return GetGValue(c) >= 0xA0 && GetBValue(c) >= 0xA0;
}

/* A 32-bit top-down DIB section of the given size, selected into a memory DC. */
struct DibSurface {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr, old = nullptr;
    DWORD *bits = nullptr;
    DibSurface(int width, int height) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, (void **)&bits, nullptr, 0);
        old = (HBITMAP)SelectObject(dc, bitmap);
    }
    ~DibSurface() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Frame frame(int width, int height) const {
        Frame f;
        f.width = width;
        f.height = height;
        f.pixels.resize((size_t)width * height);
        for (size_t i = 0; i < f.pixels.size(); ++i) {
            DWORD p = bits[i];
            f.pixels[i] = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
        }
        return f;
    }
};

} // namespace

Frame captureWindow(HWND window) {
    RECT client;
    if (!window || !GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0)
        return Frame();
    int w = client.right, h = client.bottom;
    DibSurface surface(w, h);
    HDC windowDC = GetDC(window);
    BitBlt(surface.dc, 0, 0, w, h, windowDC, 0, 0, SRCCOPY);
    ReleaseDC(window, windowDC);
    GdiFlush();
    return surface.frame(w, h);
}

Frame captureScreen(const RECT &rect) {
    int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (w <= 0 || h <= 0) return Frame();
    DibSurface surface(w, h);
    HDC screenDC = GetDC(nullptr);
    BitBlt(surface.dc, 0, 0, w, h, screenDC, rect.left, rect.top, SRCCOPY);
    ReleaseDC(nullptr, screenDC);
    GdiFlush();
    return surface.frame(w, h);
}

void saveFrame(const Frame &frame, const std::string &path) {
    FILE *file = fopen(path.c_str(), "wb");
    if (!file) return;
    BITMAPFILEHEADER header = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = frame.width;
    info.biHeight = -frame.height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    DWORD size = (DWORD)frame.pixels.size() * 4;
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = header.bfOffBits + size;
    fwrite(&header, sizeof header, 1, file);
    fwrite(&info, sizeof info, 1, file);
    for (COLORREF c : frame.pixels) {
        DWORD p = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        fwrite(&p, 4, 1, file);
    }
    fclose(file);
}

InkBox findInk(const Frame &frame, const RECT &area) {
    InkBox box;
    for (int y = area.top; y < area.bottom && y < frame.height; ++y)
        for (int x = area.left; x < area.right && x < frame.width; ++x)
            if (isInk(frame.at(x, y))) {
                if (x < box.left) box.left = x;
                if (x > box.right) box.right = x;
                if (y < box.top) box.top = y;
                if (y > box.bottom) box.bottom = y;
                ++box.count;
            }
    return box;
}

std::vector<int> inkColumns(const Frame &frame, const RECT &area) {
    std::vector<int> columns;
    for (int x = area.left; x < area.right && x < frame.width; ++x) {
        int ink = 0;
        for (int y = area.top; y < area.bottom && y < frame.height; ++y)
            if (isInk(frame.at(x, y))) ++ink;
        columns.push_back(ink);
    }
    return columns;
}

int bestShift(const std::vector<int> &a, const std::vector<int> &b, int range) {
    int best = 0;
    long bestScore = LONG_MAX;
    int n = (int)a.size();
    for (int s = -range; s <= range; ++s) {
        long score = 0;
        int overlap = 0;
        for (int x = 0; x < n && x < (int)b.size(); ++x) {
            int from = x - s;
            if (from < 0 || from >= n) continue;
            score += labs((long)b[x] - a[from]);
            ++overlap;
        }
        if (overlap < n / 2) continue;
        score = score * 1000 / overlap;
        if (score < bestScore) {
            bestScore = score;
            best = s;
        }
    }
    return best;
}

int textInset() {
    int *bevel = (int *)GetSettingPtr(14), *border = (int *)GetSettingPtr(12);
    return (bevel ? *bevel : 0) + (border ? *border : 0);
}

/* The font a text is measured or drawn in, and whether it is ours to delete. */
struct TextFont {
    HFONT font;
    bool own;
    explicit TextFont(HFONT given)
        : font(given ? given : CreateStyleFont((StyleItem *)GetSettingPtr(1))), own(!given) {}
    ~TextFont() {
        if (own) DeleteObject(font);
    }
};

SIZE styleTextSize(const std::string &text, HFONT given) {
    TextFont font(given);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldFont = SelectObject(dc, font.font);
    RECT r = {0, 0, 0, 0};
    DrawTextA(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    DeleteDC(dc);
    return SIZE{r.right, r.bottom};
}

InkBox styleTextInk(const std::string &text, HFONT given) {
    SIZE size = styleTextSize(text, given);
    int w = size.cx + 8, h = size.cy + 2;
    DibSurface surface(w, h);
    RECT all = {0, 0, w, h};
    FillRect(surface.dc, &all, (HBRUSH)GetStockObject(BLACK_BRUSH));
    TextFont font(given);
    HGDIOBJ oldFont = SelectObject(surface.dc, font.font);
    SetBkMode(surface.dc, TRANSPARENT);
    SetTextColor(surface.dc, ((StyleItem *)GetSettingPtr(1))->TextColor);
    DrawTextA(surface.dc, text.c_str(), -1, &all, DT_NOPREFIX);
    SelectObject(surface.dc, oldFont);
    GdiFlush();
    return findInk(surface.frame(w, h), all);
}

int styleTextInkLeft(const std::string &text) {
    InkBox box = styleTextInk(text);
    return box.none() ? -1 : box.left;
}

Frame styleBackground(int width, int height, bool withBorder) {
    DibSurface surface(width, height);
    RECT all = {0, 0, width, height};
    MakeStyleGradient(surface.dc, &all, (StyleItem *)GetSettingPtr(1), withBorder);
    GdiFlush();
    return surface.frame(width, height);
}
