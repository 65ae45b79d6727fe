#include "core/error_dialog_layout.h"
#include "core/error_dialog_template.h"
#include "core/mul_div.h"
#include "core/report_assertion.h"
#include "core/text_wrap.h"
#include "tests/support/report_capture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

// The error window: its text, its geometry in pixels and dialog units, and its template in memory.
namespace
{

using Bytes = std::vector<std::uint8_t>;

TEST(MulDiv, RoundsHalvesAwayFromZeroKeepsTheFullProductAndFailsOutsideTheRange)
{
    const std::int32_t cases[][4] = {{24, 4, 8, 12}, {5, 4, 6, 3}, {7, 4, 6, 5}, {3, 1, 2, 2}, {-3, 1, 2, -2}, {3, 1, -2, -2},
                                     {-13, 72, 96, -10}, {100000, 100000, 100000, 100000}, {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
                                     {INT32_MAX, 2, 1, -1}, {INT32_MIN, 1, 1, -1}, {1, 1, 0, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(core::mulDiv(c[0], c[1], c[2]), c[3]) << c[0] << " * " << c[1] << " / " << c[2];
#ifdef _WIN32
    // The most negative value is left out: implementations of the system call disagree on it.
    const std::int32_t values[] = {0, 1, -1, 2, 3, 7, -7, 16, 24, 95, 350, 1000, -1000, 65535, 123456789, INT32_MAX};
    for (std::int32_t a : values)
        for (std::int32_t b : values)
            for (std::int32_t d : values)
                EXPECT_EQ(core::mulDiv(a, b, d), MulDiv(a, b, d)) << a << " * " << b << " / " << d;
#endif
}

using Ints = std::vector<std::int32_t>;
Ints corners(const core::PixelRect& r) { return {r.left, r.top, r.right, r.bottom}; }
Ints units(const core::DialogUnitRect& r) { return {r.x, r.y, r.cx, r.cy}; }

TEST(ErrorDialogLayout, PixelsFromTheIconAndTheMeasuredText)
{
    // Text is measured in half the screen, less the icon and a margin; odd sizes halve by integer division.
    EXPECT_EQ(corners(core::errorTextMeasureBounds(32, 1920, 1080)), (Ints{0, 0, 912, 524}));
    EXPECT_EQ(corners(core::errorTextMeasureBounds(48, 1365, 767)), (Ints{0, 0, 618, 367}));
    // One word still gets the minimum text area of 350 + 60 by 60 + 40 pixels.
    const core::ErrorDialogPixelLayout small = core::layoutErrorDialogPixels(32, 32, 40, 13);
    EXPECT_EQ(corners(small.text), (Ints{80, 16, 490, 116}));
    EXPECT_EQ(corners(small.icon), (Ints{24, 16, 56, 48}));
    EXPECT_EQ(small.bandHeightPx, 116);
    const core::ErrorDialogPixelLayout large = core::layoutErrorDialogPixels(48, 40, 612, 91);
    EXPECT_EQ(corners(large.text), (Ints{96, 16, 768, 147}));
    EXPECT_EQ(corners(large.icon), (Ints{24, 16, 72, 56}));
    EXPECT_EQ(corners(large.button), (Ints{673, 163, 768, 187}));
    EXPECT_EQ(large.bandHeightPx, 147);
    EXPECT_EQ(large.widthPx, 776);
    EXPECT_EQ(large.heightPx, 195);
}

TEST(ErrorDialogLayout, DialogUnitsRoundEachValueOnItsOwn)
{
    const struct
    {
        const char* what;
        std::int32_t iconPx, textWidthPx, textHeightPx;
        std::uint16_t baseX, baseY;
        Ints icon, text, button;
        std::int32_t dialogCx, dialogCy;
    } cases[] = {
        // Base units 8 by 16 halve every pixel value; the 95-pixel button is 47.5 units, rounded to 48.
        {"even base units", 32, 40, 13, 8, 16, {12, 8, 16, 16}, {40, 8, 205, 50}, {197, 66, 48, 12}, 249, 82},
        // 7 by 15: icon 24*4/7 = 13.71, 16*8/15 = 8.53; text 560*4/7 = 320, 100*8/15 = 53.33;
        // button 95*4/7 = 54.29, 24*8/15 = 12.8, top 132*8/15 = 70.4; dialog 648*4/7 = 370.29.
        {"odd base units", 32, 500, 45, 7, 15, {14, 9, 18, 17}, {46, 9, 320, 53}, {312, 70, 54, 13}, 370, 87},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        const core::ErrorDialogUnitLayout layout = core::toDialogUnits(
            core::layoutErrorDialogPixels(c.iconPx, c.iconPx, c.textWidthPx, c.textHeightPx),
            static_cast<std::uint32_t>(c.baseY) << 16 | c.baseX);
        EXPECT_EQ(units(layout.icon), c.icon);
        EXPECT_EQ(units(layout.text), c.text);
        EXPECT_EQ(units(layout.button), c.button);
        EXPECT_EQ(layout.dialogCx, c.dialogCx);
        EXPECT_EQ(layout.dialogCy, c.dialogCy);
    }
    const std::int32_t fontSizes[][3] = {{-12, 96, 9}, {-13, 96, 10}, {-16, 120, 10}, {-11, 96, 8}, {11, 96, 11},
                                         {0, 96, 0}};
    for (const auto& f : fontSizes)
        EXPECT_EQ(core::dialogFontPointSize(f[0], f[1]), f[2]) << "height " << f[0] << " at " << f[1] << " dpi";
}

// Lines of a font whose every character is 7 pixels wide, in the given number of columns.
TEST(ErrorDialogLayout, TextWrapsAtBreaksAndSpacesCutsLongWordsAndExpandsTabs)
{
    const std::tuple<const char*, int, std::vector<std::string>> cases[] = {
        {"", 40, {""}}, {"a\n\nb\n", 40, {"a", "", "b", ""}}, {"dos\r\nline", 40, {"dos", "line"}},
        {"one two three four", 9, {"one two", "three", "four"}}, {"one   two", 6, {"one", "two"}}, {"  in  side  ", 40, {"  in  side  "}},
        {"to abcdefghij ok", 4, {"to", "abcd", "efgh", "ij", "ok"}}, {"abc", 0, {"a", "b", "c"}}, {"12345678\tx\ta", 40, {"12345678        x       a"}}};
    for (const auto& [text, columns, lines] : cases)
        EXPECT_EQ(core::wrapText(text, columns * 7, [](std::string_view t) { return static_cast<std::int32_t>(t.size()) * 7; }), lines)
            << "'" << text << "' in " << columns;
}

const core::ErrorDialogUnitLayout kLayout{{40, 8, 205, 50}, {12, 8, 16, 16}, {197, 66, 48, 12}, 249, 82};
const core::DialogFont kFont{9, 400, 0, 1, u"Tahoma"};

TEST(ErrorDialogTemplate, HeaderAndThreeItemsByteByByte)
{
    const Bytes expected = {
        // header: version 1, extended signature, help id, extended style, style
        0x01, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x08, 0xC8, 0x90,
        // three items, x 1, y 1, cx 249, cy 82, no menu, default class
        0x03, 0x00, 0x01, 0x00, 0x01, 0x00, 0xF9, 0x00, 0x52, 0x00, 0x00, 0x00, 0x00, 0x00,
        // title "Serious error" and its terminator
        'S', 0, 'e', 0, 'r', 0, 'i', 0, 'o', 0, 'u', 0, 's', 0, ' ', 0, 'e', 0, 'r', 0, 'r', 0, 'o', 0, 'r', 0, 0, 0,
        // point size 9, weight 400, not italic, character set 1, typeface "Tahoma"
        0x09, 0x00, 0x90, 0x01, 0x00, 0x01, 'T', 0, 'a', 0, 'h', 0, 'o', 0, 'm', 0, 'a', 0, 0, 0,
        // padding to the 4-byte boundary at offset 80; message text: help id, extended style, style child | visible | no prefix
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x50,
        // x 40, y 8, cx 205, cy 50, id 29639, static class atom
        0x28, 0x00, 0x08, 0x00, 0xCD, 0x00, 0x32, 0x00, 0xC7, 0x73, 0x00, 0x00, 0xFF, 0xFF, 0x82, 0x00,
        // "a && b", newline, byte 0xE9 widened to U+00E9, terminator; no creation data
        'a', 0, ' ', 0, '&', 0, '&', 0, ' ', 0, 'b', 0, 0x0A, 0, 0xE9, 0, 0, 0, 0x00, 0x00,
        // icon at offset 128: style child | visible, x 12, y 8, cx 16, cy 16, id 7168, static class
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x50,
        0x0C, 0x00, 0x08, 0x00, 0x10, 0x00, 0x10, 0x00, 0x00, 0x1C, 0x00, 0x00, 0xFF, 0xFF, 0x82, 0x00,
        // empty title, no creation data; button at offset 160: style child | visible | group | tab stop | default push
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x03, 0x50,
        // x 197, y 66, cx 48, cy 12, id 2, button class
        0xC5, 0x00, 0x42, 0x00, 0x30, 0x00, 0x0C, 0x00, 0x02, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x80, 0x00,
        // "&OK", no creation data
        '&', 0, 'O', 0, 'K', 0, 0, 0, 0x00, 0x00};
    EXPECT_EQ(core::buildErrorDialogTemplate("Serious error", "a && b\n\xE9", kFont, kLayout), expected);
}

// The window's text: level 3 shows the failed check and its message, level 2 an apology, other levels nothing.
TEST(ErrorDialogText, DependsOnTheReportLevel)
{
    const std::string apology = "A serious error occured, and the program is probably going to crash.\nWe apologize for the "
                                "inconvenience and encourage you to report this to our tech support.";
    const std::tuple<int, const char*, const char*, std::string> cases[] = {
        {3, "a && b", "Invalid number of channels: 3", "Assertion 'a && b' failed.\nInvalid number of channels: 3"},
        {3, "false", "", "Assertion 'false' failed.\n"}, {2, "isStable(c)", "whatever", apology}, {2, "", "", apology},
        {1, "a", "b", ""}, {4, "a", "b", ""}, {-3, "a", "b", ""}};
    for (const auto& [level, expression, message, text] : cases)
        EXPECT_EQ(core::assertionText(level, expression, message), text) << level << " " << expression;
    {
        corvex::testing::ReportCapture capture; // every report reaches the interceptor, which keeps no state
        EXPECT_FALSE(core::reportAssertion(3, "x > 0", "model/corvex_modelengine", 100, "Invalid: -1"));
        EXPECT_FALSE(core::reportAssertion(3, "x > 0", "model/corvex_modelengine", 100, "Invalid: -1"));
        EXPECT_EQ(capture.described(), std::vector<std::string>(2, "3 model/corvex_modelengine:100 x > 0 | Invalid: -1"));
    }
    testing::internal::CaptureStderr(); // without an interceptor a level that shows nothing returns at once, silently
    EXPECT_FALSE(core::reportAssertion(1, "x", "f", 1, "m"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

} // namespace
