#include "core/error_dialog_template.h"

#include "core/mul_div.h"

namespace core
{

namespace
{

// Appends little-endian fields to a template under construction.
class TemplateWriter
{
public:
    void u8(std::uint8_t value) { bytes_.push_back(value); }

    void u16(std::uint16_t value)
    {
        u8(static_cast<std::uint8_t>(value & 0xFFu));
        u8(static_cast<std::uint8_t>(value >> 8));
    }

    void u32(std::uint32_t value)
    {
        u16(static_cast<std::uint16_t>(value & 0xFFFFu));
        u16(static_cast<std::uint16_t>(value >> 16));
    }

    void i16(std::int16_t value) { u16(static_cast<std::uint16_t>(value)); }

    // Each byte becomes one UTF-16 unit of the same value; the terminator too.
    void widened(const std::string& text)
    {
        for (char c : text)
            u16(static_cast<unsigned char>(c));
        u16(0);
    }

    void wide(const std::u16string& text)
    {
        for (char16_t unit : text)
            u16(unit);
        u16(0);
    }

    void alignTo4()
    {
        while (bytes_.size() % 4 != 0)
            u8(0);
    }

    void item(std::uint32_t style, const DialogUnitRect& rect, std::int32_t id, std::uint16_t classAtom)
    {
        alignTo4();
        u32(0); // helpID
        u32(0); // exStyle
        u32(style);
        i16(rect.x);
        i16(rect.y);
        i16(rect.cx);
        i16(rect.cy);
        u32(static_cast<std::uint32_t>(id));
        u16(0xFFFF);
        u16(classAtom);
    }

    std::vector<std::uint8_t> take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace

std::uint16_t dialogFontPointSize(std::int32_t logicalHeight, std::int32_t pixelsPerInchY)
{
    if (logicalHeight < 0)
        return static_cast<std::uint16_t>(-mulDiv(logicalHeight, 72, pixelsPerInchY));
    return static_cast<std::uint16_t>(logicalHeight);
}

std::vector<std::uint8_t> buildErrorDialogTemplate(const std::string& title, const std::string& text,
                                                   const DialogFont& font, const ErrorDialogUnitLayout& layout)
{
    TemplateWriter writer;
    writer.u16(1);      // dlgVer
    writer.u16(0xFFFF); // signature of the extended template
    writer.u32(0);      // helpID
    writer.u32(0);      // exStyle
    writer.u32(kErrorDialogStyle);
    writer.u16(3); // items
    writer.i16(1); // x and y: the dialog centres itself
    writer.i16(1);
    writer.i16(layout.dialogCx);
    writer.i16(layout.dialogCy);
    writer.u16(0); // no menu
    writer.u16(0); // the default dialog class
    writer.widened(title);
    writer.u16(font.pointSize);
    writer.u16(font.weight);
    writer.u8(font.italic);
    writer.u8(font.charset);
    writer.wide(font.typeface);

    writer.item(kErrorTextStyle, layout.text, kErrorTextControlId, kStaticClassAtom);
    writer.widened(text);
    writer.u16(0); // no creation data

    writer.item(kErrorIconStyle, layout.icon, kErrorIconControlId, kStaticClassAtom);
    writer.u16(0); // empty title
    writer.u16(0);

    writer.item(kErrorButtonStyle, layout.button, kErrorButtonControlId, kButtonClassAtom);
    writer.wide(u"&OK");
    writer.u16(0);
    return writer.take();
}

} // namespace core
