/* The shell's look: one style record read from a style file ("toolbar.color: #rrggbb"
   and its siblings, in the settings format) or built in, and the painting services
   that plugins use to look like the shell: gradients, borders, bevels and the font. */
#include <cstdio>
#include <cstring>
#include <utility>
#include "shell_internal.h"

namespace {

StyleItem style;
int borderWidth = 1;
int bevelWidth = 1;
char currentStylePath[MAX_PATH] = "";

StyleItem builtInStyle() {
    StyleItem item = {};
    item.bevelStyle = 1;
    item.gradientType = 2;
    item.color = RGB(0x4a, 0x58, 0x68);
    item.colorTo = RGB(0x24, 0x2c, 0x36);
    item.borderColor = RGB(0x10, 0x14, 0x1a);
    item.TextColor = RGB(0xe6, 0xea, 0xf0);
    item.borderWidth = 1;
    item.fontHeight = 12;
    item.fontWeight = FW_NORMAL;
    shellCopyText(item.fontFace, sizeof item.fontFace, "Tahoma");
    return item;
}

/* "#rrggbb" (or "rrggbb"); anything else keeps the fallback. */
COLORREF readColour(const char *path, const char *key, COLORREF fallback) {
    std::string value = shellReadString(path, key, "");
    const char *text = value.c_str();
    if (*text == '#') ++text;
    unsigned r, g, b;
    char rest;
    if (strlen(text) != 6 || sscanf(text, "%2x%2x%2x%c", &r, &g, &b, &rest) != 3) return fallback;
    return RGB(r, g, b);
}

int readChoice(const char *path, const char *key, const char *const *names, int count,
               int fallback) {
    std::string text = shellReadString(path, key, "");
    for (int i = 0; i < count; ++i)
        if (lstrcmpiA(text.c_str(), names[i]) == 0) return i;
    return fallback;
}

int clampInt(int value, int low, int high) {
    return value < low ? low : value > high ? high : value;
}

COLORREF mix(COLORREF a, COLORREF b, int percentB) {
    auto channel = [&](int ca, int cb) { return (ca * (100 - percentB) + cb * percentB) / 100; };
    return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
               channel(GetBValue(a), GetBValue(b)));
}

void fillSolid(HDC dc, const RECT &rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

TRIVERTEX vertex(LONG x, LONG y, COLORREF colour) {
    TRIVERTEX v;
    v.x = x;
    v.y = y;
    v.Red = (COLOR16)(GetRValue(colour) << 8);
    v.Green = (COLOR16)(GetGValue(colour) << 8);
    v.Blue = (COLOR16)(GetBValue(colour) << 8);
    v.Alpha = 0;
    return v;
}

void fillGradient(HDC dc, const RECT &rect, const StyleItem &item) {
    switch (item.gradientType) {
    case 1:
    case 2: {
        TRIVERTEX corners[2] = {vertex(rect.left, rect.top, item.color),
                                vertex(rect.right, rect.bottom, item.colorTo)};
        GRADIENT_RECT span = {0, 1};
        GradientFill(dc, corners, 2, &span, 1,
                     item.gradientType == 1 ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
        break;
    }
    case 3: {
        /* Diagonal: from the top-left corner to the bottom-right one, as two triangles. */
        COLORREF middle = mix(item.color, item.colorTo, 50);
        TRIVERTEX corners[4] = {
            vertex(rect.left, rect.top, item.color), vertex(rect.right, rect.top, middle),
            vertex(rect.right, rect.bottom, item.colorTo), vertex(rect.left, rect.bottom, middle)};
        GRADIENT_TRIANGLE halves[2] = {{0, 1, 2}, {0, 2, 3}};
        GradientFill(dc, corners, 4, halves, 2, GRADIENT_FILL_TRIANGLE);
        break;
    }
    default: fillSolid(dc, rect, item.color);
    }
}

void drawBevel(HDC dc, const RECT &rect, const StyleItem &item) {
    if (item.bevelStyle != 1 && item.bevelStyle != 2) return;
    if (rect.right - rect.left < 2 || rect.bottom - rect.top < 2) return;
    COLORREF light = mix(item.color, RGB(255, 255, 255), 35);
    COLORREF dark = mix(item.colorTo, RGB(0, 0, 0), 35);
    if (item.bevelStyle == 2) std::swap(light, dark);
    fillSolid(dc, {rect.left, rect.top, rect.right, rect.top + 1}, light);
    fillSolid(dc, {rect.left, rect.top, rect.left + 1, rect.bottom}, light);
    fillSolid(dc, {rect.left, rect.bottom - 1, rect.right, rect.bottom}, dark);
    fillSolid(dc, {rect.right - 1, rect.top, rect.right, rect.bottom}, dark);
}

void drawBorder(HDC dc, const RECT &rect, COLORREF colour, int width) {
    fillSolid(dc, {rect.left, rect.top, rect.right, rect.top + width}, colour);
    fillSolid(dc, {rect.left, rect.bottom - width, rect.right, rect.bottom}, colour);
    fillSolid(dc, {rect.left, rect.top, rect.left + width, rect.bottom}, colour);
    fillSolid(dc, {rect.right - width, rect.top, rect.right, rect.bottom}, colour);
}

} // namespace

void shellLoadStyle() {
    const ShellOptions &options = shellOptions();
    std::string path = options.stylePath;
    if (path.empty()) {
        /* The shell's settings name the style relative to the shell's folder. */
        path = shellReadString(shellSettingsPath().c_str(), "nightjar.style:", "");
        bool absolute = path.size() > 1 && (path[1] == ':' || path[0] == '\\' || path[0] == '/');
        if (!path.empty() && !absolute) path = options.shellDir + path;
    }
    if (!FileExists(path.c_str())) path.clear();
    shellCopyText(currentStylePath, sizeof currentStylePath, path.c_str());

    StyleItem item = builtInStyle();
    int bevel = 1;
    if (!path.empty()) {
        const char *file = path.c_str();
        static const char *const gradients[] = {"solid", "horizontal", "vertical", "diagonal"};
        static const char *const bevels[] = {"flat", "raised", "sunken"};
        item.color = readColour(file, "toolbar.color:", item.color);
        item.colorTo = readColour(file, "toolbar.colorTo:", item.color);
        item.gradientType = readChoice(file, "toolbar.gradient:", gradients, 4, item.gradientType);
        item.bevelStyle = readChoice(file, "toolbar.bevel:", bevels, 3, item.bevelStyle);
        item.TextColor = readColour(file, "toolbar.textColor:", item.TextColor);
        item.borderColor = readColour(file, "toolbar.borderColor:", item.borderColor);
        item.borderWidth = clampInt(ReadInt(file, "toolbar.borderWidth:", 1), 0, 20);
        bevel = clampInt(ReadInt(file, "toolbar.bevelWidth:", 1), 0, 20);
        shellCopyText(item.fontFace, sizeof item.fontFace,
                      shellReadString(file, "toolbar.font:", "Tahoma").c_str());
        item.fontHeight = clampInt(ReadInt(file, "toolbar.fontHeight:", 12), 4, 200);
        std::string weight = shellReadString(file, "toolbar.fontWeight:", "");
        if (lstrcmpiA(weight.c_str(), "bold") == 0)
            item.fontWeight = FW_BOLD;
        else if (lstrcmpiA(weight.c_str(), "normal") == 0)
            item.fontWeight = FW_NORMAL;
        else
            item.fontWeight = clampInt(ReadInt(file, "toolbar.fontWeight:", FW_NORMAL), 0, 1000);
    }
    style = item;
    borderWidth = item.borderWidth;
    bevelWidth = bevel;
}

const StyleItem &shellStyle() {
    return style;
}

NJ_API void *GetSettingPtr(int index) {
    switch (index) {
    case SN_STYLEITEM: return &style;
    case SN_BORDERWIDTH: return &borderWidth;
    case SN_BEVELWIDTH: return &bevelWidth;
    default: return nullptr;
    }
}

NJ_API const char *stylePath(const char *other) {
    return currentStylePath;
}

NJ_API HFONT CreateStyleFont(StyleItem *item) {
    const StyleItem &from = item ? *item : style;
    char face[LF_FACESIZE];
    size_t length = strnlen(from.fontFace, sizeof from.fontFace);
    memcpy(face, from.fontFace, length < sizeof face ? length : sizeof face - 1);
    face[length < sizeof face ? length : sizeof face - 1] = '\0';
    return CreateFontA(from.fontHeight, 0, 0, 0, clampInt(from.fontWeight, 0, 1000), FALSE, FALSE,
                       FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face[0] ? face : "Tahoma");
}

NJ_API void MakeStyleGradient(HDC dc, RECT *rect, StyleItem *item, bool withBorder) {
    if (!dc || !rect || !item || rect->right <= rect->left || rect->bottom <= rect->top) return;
    RECT inner = *rect;
    int border = withBorder ? clampInt(item->borderWidth, 0, 50) : 0;
    InflateRect(&inner, -border, -border);
    if (inner.right > inner.left && inner.bottom > inner.top) {
        fillGradient(dc, inner, *item);
        drawBevel(dc, inner, *item);
    }
    if (border > 0) drawBorder(dc, *rect, item->borderColor, border);
}
