#include "core/error_dialog_layout.h"

#include <gtest/gtest.h>

namespace
{

constexpr std::uint32_t baseUnits(std::uint16_t horizontal, std::uint16_t vertical)
{
    return static_cast<std::uint32_t>(vertical) << 16 | horizontal;
}

void expectRect(const core::PixelRect& rect, std::int32_t left, std::int32_t top, std::int32_t right,
                std::int32_t bottom)
{
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.top, top);
    EXPECT_EQ(rect.right, right);
    EXPECT_EQ(rect.bottom, bottom);
}

void expectUnits(const core::DialogUnitRect& rect, const core::DialogUnitRect& expected)
{
    EXPECT_EQ(rect.x, expected.x);
    EXPECT_EQ(rect.y, expected.y);
    EXPECT_EQ(rect.cx, expected.cx);
    EXPECT_EQ(rect.cy, expected.cy);
}

TEST(ErrorDialogLayout, TextIsMeasuredInHalfTheScreenLessIconAndMargin)
{
    expectRect(core::errorTextMeasureBounds(32, 1920, 1080), 0, 0, 960 - 32 - 16, 540 - 16);
    // Odd sizes halve by integer division.
    expectRect(core::errorTextMeasureBounds(48, 1365, 767), 0, 0, 682 - 48 - 16, 383 - 16);
}

TEST(ErrorDialogLayout, OneWordStillGetsTheMinimumTextArea)
{
    const core::ErrorDialogPixelLayout layout = core::layoutErrorDialogPixels(32, 32, 40, 13);
    expectRect(layout.text, 80, 16, 32 + 108 + 350, 56 + 60);
    EXPECT_EQ(layout.text.right - layout.text.left, 350 + 60);
    EXPECT_EQ(layout.text.bottom - layout.text.top, 60 + 40);
    EXPECT_EQ(layout.bandHeightPx, 116);
    expectRect(layout.icon, 24, 16, 56, 48);
}

TEST(ErrorDialogLayout, LargeTextWidensAndDeepensTheArea)
{
    const core::ErrorDialogPixelLayout layout = core::layoutErrorDialogPixels(48, 40, 612, 91);
    expectRect(layout.text, 96, 16, 48 + 108 + 612, 56 + 91);
    expectRect(layout.icon, 24, 16, 72, 56);
    EXPECT_EQ(layout.bandHeightPx, 147);
    // Pixel geometry of the button and window for platforms that place controls in pixels.
    EXPECT_EQ(layout.widthPx, 768 + 8);
    expectRect(layout.button, 776 - 8 - 95, 147 + 16, 776 - 8, 147 + 16 + 24);
    EXPECT_EQ(layout.heightPx, 187 + 8);
}

struct DialogUnitCase
{
    const char* what;
    std::int32_t iconPx;
    std::int32_t textWidthPx;
    std::int32_t textHeightPx;
    std::uint32_t baseUnits;
    core::DialogUnitRect icon;
    core::DialogUnitRect text;
    core::DialogUnitRect button;
    std::int16_t dialogCx;
    std::int16_t dialogCy;
};

TEST(ErrorDialogLayout, DialogUnitsRoundEachValueOnItsOwn)
{
    const DialogUnitCase cases[] = {
        // Base units 8 by 16 halve every pixel value. Text area 80..490 by 16..116;
        // the 95-pixel button is 47.5 units, rounded away from zero to 48; its top
        // is at 116 + 16 = 132 pixels; the dialog is (490 + 8) / 2 units wide.
        {"even base units", 32, 40, 13, baseUnits(8, 16), {12, 8, 16, 16}, {40, 8, 205, 50},
         {249 - 48 - 4, 66, 48, 12}, 249, 66 + 12 + 4},
        // Base units 7 by 15, text 500 by 45 pixels: text area 80..640 by 16..116.
        // Icon: 24*4/7 = 13.71, 16*8/15 = 8.53, 32*4/7 = 18.29, 32*8/15 = 17.07.
        // Text: 80*4/7 = 45.71, 560*4/7 = 320, 100*8/15 = 53.33.
        // Button: 95*4/7 = 54.29, 24*8/15 = 12.8, top 132*8/15 = 70.4; dialog 648*4/7 = 370.29.
        {"odd base units", 32, 500, 45, baseUnits(7, 15), {14, 9, 18, 17}, {46, 9, 320, 53},
         {370 - 54 - 4, 70, 54, 13}, 370, 70 + 13 + 4},
    };
    for (const DialogUnitCase& expected : cases)
    {
        SCOPED_TRACE(expected.what);
        const core::ErrorDialogUnitLayout units = core::toDialogUnits(
            core::layoutErrorDialogPixels(expected.iconPx, expected.iconPx, expected.textWidthPx,
                                          expected.textHeightPx),
            expected.baseUnits);
        expectUnits(units.icon, expected.icon);
        expectUnits(units.text, expected.text);
        expectUnits(units.button, expected.button);
        EXPECT_EQ(units.dialogCx, expected.dialogCx);
        EXPECT_EQ(units.dialogCy, expected.dialogCy);
    }
}

} // namespace
