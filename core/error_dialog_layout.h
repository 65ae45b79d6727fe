#pragma once

#include <cstdint>

namespace core
{

// Geometry of the error dialog: a warning icon at the top left, the message
// text beside it on a band of the window colour, and one button below.

struct PixelRect
{
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

// The rectangle the text is measured and wrapped in: half the screen, less
// the icon and a margin.
PixelRect errorTextMeasureBounds(std::int32_t iconWidthPx, std::int32_t screenWidthPx, std::int32_t screenHeightPx);

// Pixel layout from the icon size and the measured text size. The text area
// never shrinks below 350 by 60 pixels of text plus its margins.
struct ErrorDialogPixelLayout
{
    PixelRect icon;
    PixelRect text;
    PixelRect button;
    std::int32_t bandHeightPx; // the text band reaches from the top down to here
    std::int32_t widthPx;      // client area of the whole window
    std::int32_t heightPx;
};

ErrorDialogPixelLayout layoutErrorDialogPixels(std::int32_t iconWidthPx, std::int32_t iconHeightPx,
                                               std::int32_t textWidthPx, std::int32_t textHeightPx);

// One control or the dialog itself in dialog units.
struct DialogUnitRect
{
    std::int16_t x;
    std::int16_t y;
    std::int16_t cx;
    std::int16_t cy;
};

struct ErrorDialogUnitLayout
{
    DialogUnitRect text;
    DialogUnitRect icon;
    DialogUnitRect button;
    std::int16_t dialogCx;
    std::int16_t dialogCy;
};

// Converts the pixel layout to dialog units. baseUnits is the value of the
// dialog base units call: horizontal units in the low 16 bits, vertical in the high.
ErrorDialogUnitLayout toDialogUnits(const ErrorDialogPixelLayout& pixels, std::uint32_t baseUnits);

} // namespace core
