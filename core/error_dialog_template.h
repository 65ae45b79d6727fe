#pragma once

#include "core/error_dialog_layout.h"

#include <cstdint>
#include <string>
#include <vector>

namespace core
{

inline constexpr std::int32_t kErrorTextControlId = 29639;
inline constexpr std::int32_t kErrorIconControlId = 7168;
inline constexpr std::int32_t kErrorButtonControlId = 2; // the platform's cancel command

inline constexpr std::uint32_t kErrorDialogStyle = 0x90C808C0;   // popup, visible, caption, system menu, centred, modal frame, font
inline constexpr std::uint32_t kErrorTextStyle = 0x50000080;     // child, visible, no "&" prefix processing
inline constexpr std::uint32_t kErrorIconStyle = 0x50000000;     // child, visible
inline constexpr std::uint32_t kErrorButtonStyle = 0x50030001;   // child, visible, group, tab stop, default push button
inline constexpr std::uint16_t kStaticClassAtom = 0x0082;
inline constexpr std::uint16_t kButtonClassAtom = 0x0080;

// The font the dialog declares, from the system message font.
struct DialogFont
{
    std::uint16_t pointSize;
    std::uint16_t weight;
    std::uint8_t italic;
    std::uint8_t charset;
    std::u16string typeface;
};

// Point size of a font of the given logical height: a negative height is a
// character height in pixels, converted at the screen's pixels per inch.
std::uint16_t dialogFontPointSize(std::int32_t logicalHeight, std::int32_t pixelsPerInchY);

// The in-memory extended dialog template of the error dialog: header, then the
// message text, the icon and the button, each item on a 4-byte boundary.
// Integers are little-endian; 8-bit strings are widened byte by byte to UTF-16.
std::vector<std::uint8_t> buildErrorDialogTemplate(const std::string& title, const std::string& text,
                                                   const DialogFont& font, const ErrorDialogUnitLayout& layout);

} // namespace core
