#include "core/error_dialog_template.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace
{

using Bytes = std::vector<std::uint8_t>;

core::ErrorDialogUnitLayout sampleLayout()
{
    core::ErrorDialogUnitLayout layout{};
    layout.text = {40, 8, 205, 50};
    layout.icon = {12, 8, 16, 16};
    layout.button = {197, 66, 48, 12};
    layout.dialogCx = 249;
    layout.dialogCy = 82;
    return layout;
}

const core::DialogFont sampleFont{9, 400, 0, 1, u"Tahoma"};

std::uint32_t readU32(const Bytes& bytes, std::size_t offset)
{
    return static_cast<std::uint32_t>(bytes.at(offset)) | static_cast<std::uint32_t>(bytes.at(offset + 1)) << 8 |
           static_cast<std::uint32_t>(bytes.at(offset + 2)) << 16 | static_cast<std::uint32_t>(bytes.at(offset + 3)) << 24;
}

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
        // padding to the 4-byte boundary at offset 80
        0x00, 0x00,
        // message text: help id, extended style, style child | visible | no prefix
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x50,
        // x 40, y 8, cx 205, cy 50, id 29639, static class atom
        0x28, 0x00, 0x08, 0x00, 0xCD, 0x00, 0x32, 0x00, 0xC7, 0x73, 0x00, 0x00, 0xFF, 0xFF, 0x82, 0x00,
        // "a && b", newline, byte 0xE9 widened to U+00E9, terminator; no creation data
        'a', 0, ' ', 0, '&', 0, '&', 0, ' ', 0, 'b', 0, 0x0A, 0, 0xE9, 0, 0, 0, 0x00, 0x00,
        // icon at offset 128: style child | visible, x 12, y 8, cx 16, cy 16, id 7168, static class
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x50,
        0x0C, 0x00, 0x08, 0x00, 0x10, 0x00, 0x10, 0x00, 0x00, 0x1C, 0x00, 0x00, 0xFF, 0xFF, 0x82, 0x00,
        // empty title, no creation data
        0x00, 0x00, 0x00, 0x00,
        // button at offset 160: style child | visible | group | tab stop | default push button
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x03, 0x50,
        // x 197, y 66, cx 48, cy 12, id 2, button class
        0xC5, 0x00, 0x42, 0x00, 0x30, 0x00, 0x0C, 0x00, 0x02, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x80, 0x00,
        // "&OK", no creation data
        '&', 0, 'O', 0, 'K', 0, 0, 0, 0x00, 0x00};
    EXPECT_EQ(core::buildErrorDialogTemplate("Serious error", "a && b\n\xE9", sampleFont, sampleLayout()), expected);
}

TEST(ErrorDialogTemplate, EveryItemStartsOnAFourByteBoundary)
{
    // Titles of even and odd lengths shift the items by two bytes; padding realigns them.
    for (const std::string title : {"", "x", "xy", "xyz", "wxyz"})
    {
        for (const std::string text : {"", "a", "ab"})
        {
            const Bytes bytes = core::buildErrorDialogTemplate(title, text, sampleFont, sampleLayout());
            const std::size_t headerEnd = 30 + 2 * (title.size() + 1) + 6 + 2 * 7;
            const std::size_t first = (headerEnd + 3) / 4 * 4;
            for (std::size_t offset = headerEnd; offset < first; ++offset)
                EXPECT_EQ(bytes.at(offset), 0) << "padding of title '" << title << "'";
            EXPECT_EQ(readU32(bytes, first + 8), 0x50000080u);
            EXPECT_EQ(readU32(bytes, first + 20), 29639u);

            const std::size_t textEnd = first + 28 + 2 * (text.size() + 1) + 2;
            const std::size_t second = (textEnd + 3) / 4 * 4;
            EXPECT_EQ(readU32(bytes, second + 8), 0x50000000u) << "title '" << title << "', text '" << text << "'";
            EXPECT_EQ(readU32(bytes, second + 20), 7168u);

            const std::size_t third = second + 32;
            EXPECT_EQ(readU32(bytes, third + 8), 0x50030001u);
            EXPECT_EQ(readU32(bytes, third + 20), 2u);
            EXPECT_EQ(bytes.size(), third + 28 + 8 + 2);
        }
    }
}

TEST(ErrorDialogTemplate, HighBytesWidenWithoutSignExtension)
{
    const Bytes bytes = core::buildErrorDialogTemplate("\x80\xFF", "", sampleFont, sampleLayout());
    EXPECT_EQ(bytes.at(30), 0x80);
    EXPECT_EQ(bytes.at(31), 0x00);
    EXPECT_EQ(bytes.at(32), 0xFF);
    EXPECT_EQ(bytes.at(33), 0x00);
}

TEST(DialogFontPointSize, NegativeHeightsAreCharacterPixelsAtTheScreenResolution)
{
    EXPECT_EQ(core::dialogFontPointSize(-12, 96), 9);
    EXPECT_EQ(core::dialogFontPointSize(-13, 96), 10); // 9.75 rounds up
    EXPECT_EQ(core::dialogFontPointSize(-16, 120), 10); // 9.6
    EXPECT_EQ(core::dialogFontPointSize(-11, 96), 8);  // 8.25
    EXPECT_EQ(core::dialogFontPointSize(11, 96), 11);  // positive heights pass unchanged
    EXPECT_EQ(core::dialogFontPointSize(0, 96), 0);
}

} // namespace
