#include "core/error_dialog_layout.h"

#include "core/mul_div.h"

#include <algorithm>

namespace core
{

namespace
{

constexpr std::int32_t kMarginPx = 16;
constexpr std::int32_t kIconLeftPx = 24;
constexpr std::int32_t kMinTextWidthPx = 350;
constexpr std::int32_t kMinTextHeightPx = 60;
constexpr std::int32_t kButtonWidthPx = 95;
constexpr std::int32_t kButtonHeightPx = 24;
constexpr std::int32_t kEdgePx = 8;
constexpr std::int32_t kEdgeDu = 4;

std::int16_t horizontalDu(std::int32_t pixels, std::int32_t baseX)
{
    return static_cast<std::int16_t>(mulDiv(pixels, 4, baseX));
}

std::int16_t verticalDu(std::int32_t pixels, std::int32_t baseY)
{
    return static_cast<std::int16_t>(mulDiv(pixels, 8, baseY));
}

} // namespace

PixelRect errorTextMeasureBounds(std::int32_t iconWidthPx, std::int32_t screenWidthPx, std::int32_t screenHeightPx)
{
    return {0, 0, screenWidthPx / 2 - iconWidthPx - kMarginPx, screenHeightPx / 2 - kMarginPx};
}

ErrorDialogPixelLayout layoutErrorDialogPixels(std::int32_t iconWidthPx, std::int32_t iconHeightPx,
                                               std::int32_t textWidthPx, std::int32_t textHeightPx)
{
    ErrorDialogPixelLayout layout{};
    layout.text.left = iconWidthPx + 48;
    layout.text.top = kMarginPx;
    layout.text.right = iconWidthPx + 108 + std::max(textWidthPx, kMinTextWidthPx);
    layout.text.bottom = 56 + std::max(textHeightPx, kMinTextHeightPx);
    layout.bandHeightPx = layout.text.bottom;
    layout.icon = {kIconLeftPx, kMarginPx, kIconLeftPx + iconWidthPx, kMarginPx + iconHeightPx};
    layout.widthPx = layout.text.right + kEdgePx;
    layout.button.top = layout.text.bottom + kMarginPx;
    layout.button.bottom = layout.button.top + kButtonHeightPx;
    layout.button.right = layout.widthPx - kEdgePx;
    layout.button.left = layout.button.right - kButtonWidthPx;
    layout.heightPx = layout.button.bottom + kEdgePx;
    return layout;
}

ErrorDialogUnitLayout toDialogUnits(const ErrorDialogPixelLayout& pixels, std::uint32_t baseUnits)
{
    const std::int32_t baseX = static_cast<std::int32_t>(baseUnits & 0xFFFFu);
    const std::int32_t baseY = static_cast<std::int32_t>(baseUnits >> 16);
    const PixelRect& text = pixels.text;
    const PixelRect& icon = pixels.icon;
    const PixelRect& button = pixels.button;

    ErrorDialogUnitLayout units{};
    units.icon = {horizontalDu(icon.left, baseX), verticalDu(icon.top, baseY),
                  horizontalDu(icon.right - icon.left, baseX), verticalDu(icon.bottom - icon.top, baseY)};
    units.text = {horizontalDu(text.left, baseX), verticalDu(text.top, baseY),
                  horizontalDu(text.right - text.left, baseX), verticalDu(text.bottom - text.top, baseY)};
    units.button.cx = horizontalDu(button.right - button.left, baseX);
    units.button.cy = verticalDu(button.bottom - button.top, baseY);
    units.button.y = verticalDu(button.top, baseY);
    units.dialogCx = horizontalDu(pixels.widthPx, baseX);
    units.dialogCy = static_cast<std::int16_t>(units.button.y + units.button.cy + kEdgeDu);
    units.button.x = static_cast<std::int16_t>(units.dialogCx - units.button.cx - kEdgeDu);
    return units;
}

} // namespace core
