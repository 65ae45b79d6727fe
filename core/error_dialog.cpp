#include "core/error_dialog.h"

#include "core/error_dialog_layout.h"
#include "core/error_dialog_template.h"

#include <windows.h>

namespace core
{

namespace
{

constexpr UINT kTextMeasureFormat = DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;
constexpr UINT kNonClientMetricsSize = 504;
static_assert(sizeof(NONCLIENTMETRICSW) == kNonClientMetricsSize, "the metrics structure with its padded border width");

// Shared between show() and the dialog procedure for one dialog.
struct ErrorDialogState
{
    HBRUSH bandBrush;
    COLORREF bandColour;
    int bandHeight;
    HICON icon;
    HFONT font;
    const int* controlIds;
    int controlCount;
    int defaultControlId;
};

constexpr int kControlIds[] = {kErrorTextControlId, kErrorIconControlId, kErrorButtonControlId};

ErrorDialogState* stateOf(HWND window, int slot)
{
    return reinterpret_cast<ErrorDialogState*>(GetWindowLongPtrA(window, slot));
}

// The icon control draws the warning icon itself.
LRESULT CALLBACK iconControlProc(HWND control, UINT message, WPARAM, LPARAM)
{
    if (message == WM_PAINT)
    {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(control, &paint);
        if (const ErrorDialogState* state = stateOf(GetParent(control), DWLP_USER))
            DrawIcon(dc, 0, 0, state->icon);
        EndPaint(control, &paint);
    }
    return 0;
}

INT_PTR onInitDialog(HWND dialog, ErrorDialogState* state)
{
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    if (HWND iconControl = GetDlgItem(dialog, kErrorIconControlId))
        SetWindowLongPtrA(iconControl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&iconControlProc));
    for (int index = 0; index < state->controlCount; ++index)
    {
        if (HWND control = GetDlgItem(dialog, state->controlIds[index]))
            SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), FALSE);
    }
    SetFocus(GetDlgItem(dialog, state->defaultControlId));
    SetForegroundWindow(dialog);
    return FALSE; // the focus is set already
}

INT_PTR onEraseBackground(HWND dialog, HDC dc, const ErrorDialogState& state)
{
    RECT client;
    GetClientRect(dialog, &client);
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_3DFACE));
    FillRect(dc, &client, face);
    DeleteObject(face);
    RECT band = client;
    band.bottom = state.bandHeight;
    FillRect(dc, &band, state.bandBrush);
    return TRUE;
}

INT_PTR onStaticColour(HDC dc, HWND control, const ErrorDialogState& state)
{
    SetBkColor(dc, state.bandColour);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    if (GetDlgCtrlID(control) == kErrorTextControlId)
        return reinterpret_cast<INT_PTR>(state.bandBrush);
    return 0;
}

INT_PTR CALLBACK errorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        return onInitDialog(dialog, reinterpret_cast<ErrorDialogState*>(lParam));
    const ErrorDialogState* state = stateOf(dialog, DWLP_USER);
    if (state == nullptr)
        return 0;
    switch (message)
    {
    case WM_ERASEBKGND:
        return onEraseBackground(dialog, reinterpret_cast<HDC>(wParam), *state);
    case WM_CTLCOLORSTATIC:
        return onStaticColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), *state);
    case WM_COMMAND:
    {
        const WORD command = LOWORD(wParam);
        if (command == IDOK || command == IDCANCEL || command == IDIGNORE)
        {
            EndDialog(dialog, command);
            return TRUE;
        }
        return 0;
    }
    default:
        return 0;
    }
}

// Width and height of the text as drawn word-wrapped within the bounds.
SIZE measureText(const std::string& text, HFONT font, const PixelRect& bounds)
{
    SIZE size{0, 0};
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (dc == nullptr)
        return size;
    HGDIOBJ previous = SelectObject(dc, font);
    RECT rect{bounds.left, bounds.top, bounds.right, bounds.bottom};
    DrawTextA(dc, text.c_str(), -1, &rect, kTextMeasureFormat);
    size.cx = rect.right - rect.left;
    size.cy = rect.bottom - rect.top;
    SelectObject(dc, previous);
    DeleteDC(dc);
    return size;
}

DialogFont dialogFontOf(const LOGFONTW& logFont, HDC screen)
{
    DialogFont font{};
    font.pointSize = dialogFontPointSize(logFont.lfHeight, GetDeviceCaps(screen, LOGPIXELSY));
    font.weight = static_cast<std::uint16_t>(logFont.lfWeight);
    font.italic = logFont.lfItalic;
    font.charset = logFont.lfCharSet;
    for (const WCHAR* unit = logFont.lfFaceName; *unit != 0 && unit < logFont.lfFaceName + LF_FACESIZE; ++unit)
        font.typeface.push_back(static_cast<char16_t>(*unit));
    return font;
}

} // namespace

ErrorDialog::ErrorDialog(const char* title, const char* text) : title_(title), text_(text) {}

std::int32_t ErrorDialog::show()
{
    ErrorDialogState state{};
    state.bandColour = GetSysColor(COLOR_WINDOW);
    state.bandBrush = CreateSolidBrush(state.bandColour);
    // The system's shared warning icon belongs to the system and is never destroyed.
    state.icon = LoadIconA(nullptr, MAKEINTRESOURCEA(32515));
    state.controlIds = kControlIds;
    state.controlCount = 3;
    state.defaultControlId = kErrorButtonControlId;
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = kNonClientMetricsSize;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0))
    {
        DeleteObject(state.bandBrush);
        return 1;
    }
    state.font = CreateFontIndirectW(&metrics.lfMessageFont);

    const PixelRect bounds =
        errorTextMeasureBounds(iconWidth, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    const SIZE textSize = measureText(text_, state.font, bounds);
    const ErrorDialogPixelLayout pixels = layoutErrorDialogPixels(iconWidth, iconHeight, textSize.cx, textSize.cy);
    state.bandHeight = pixels.bandHeightPx;
    const ErrorDialogUnitLayout units = toDialogUnits(pixels, static_cast<std::uint32_t>(GetDialogBaseUnits()));

    HDC screen = GetDC(nullptr);
    if (screen != nullptr)
    {
        const std::vector<std::uint8_t> dialogTemplate =
            buildErrorDialogTemplate(title_, text_, dialogFontOf(metrics.lfMessageFont, screen), units);
        DialogBoxIndirectParamA(nullptr, reinterpret_cast<LPCDLGTEMPLATEA>(dialogTemplate.data()), nullptr,
                                &errorDialogProc, reinterpret_cast<LPARAM>(&state));
        ReleaseDC(nullptr, screen);
    }
    DeleteObject(state.bandBrush);
    DeleteObject(state.font);
    return 1;
}

} // namespace core
