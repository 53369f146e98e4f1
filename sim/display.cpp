/* Painting the player window: green text on black, three lines. */
#include "display.h"
#include "cad.h"
#include "title.h"
#include "utf8.h"

#include <cstdio>

static void formatTime(char *out, size_t size, long long ms) {
    long long s = ms < 0 ? 0 : ms / 1000;
    if (s >= 3600)
        snprintf(out, size, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        snprintf(out, size, "%lld:%02lld", s / 60, s % 60);
}

static void drawLine(HDC hdc, RECT &row, const std::wstring &text) {
    /* No prefix handling: "Simon & Garfunkel" keeps its "&". */
    DrawTextW(hdc, text.c_str(), -1, &row, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    OffsetRect(&row, 0, row.bottom - row.top);
}

static void paintText(HDC hdc, const RECT &client, const Player &player, bool scroll, bool cad) {
    const Track *track = player.current();
    const char *stateName = player.state() == STATE_PLAYING  ? "Playing"
                            : player.state() == STATE_PAUSED ? "Paused"
                                                             : "Stopped";
    char line[300];
    RECT row = client;
    InflateRect(&row, -8, -6);
    row.bottom = row.top + (row.bottom - row.top) / 3;

    snprintf(line, sizeof line, "%s%s%s", track ? stateName : "No playlist",
             scroll ? "  (scrolling title)" : "", cad ? "  (CAD)" : "");
    drawLine(hdc, row, fromUtf8(line));
    if (!track) {
        drawLine(hdc, row, cad ? cadTitle(player) : BARE_TITLE);
        return;
    }
    drawLine(hdc, row, std::to_wstring(player.index() + 1) + L". " + fromUtf8(track->text));

    char pos[32], len[32];
    formatTime(pos, sizeof pos, player.positionMs());
    if (player.streaming())
        snprintf(len, sizeof len, "stream");
    else
        formatTime(len, sizeof len, track->seconds * 1000LL);
    if (cad)
        snprintf(line, sizeof line, "%s / %s   Volume %d%%", pos, len, cadVolume(player.volume()));
    else
        snprintf(line, sizeof line, "%s / %s   Volume %d", pos, len, player.volume());
    drawLine(hdc, row, fromUtf8(line));
}

void paintPlayer(HWND hwnd, const Player &player, bool scroll, bool cad) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);

    HBRUSH background = CreateSolidBrush(RGB(0, 0, 0));
    FillRect(hdc, &client, background);
    DeleteObject(background);

    HFONT oldFont = (HFONT)SelectObject(hdc, GetStockObject(DEFAULT_GUI_FONT));
    COLORREF oldColor = SetTextColor(hdc, RGB(0, 232, 0));
    int oldMode = SetBkMode(hdc, TRANSPARENT);
    paintText(hdc, client, player, scroll, cad);
    SetBkMode(hdc, oldMode);
    SetTextColor(hdc, oldColor);
    SelectObject(hdc, oldFont);

    EndPaint(hwnd, &ps);
}
