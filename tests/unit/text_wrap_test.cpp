#include "core/text_wrap.h"

#include <gtest/gtest.h>

namespace
{

using Lines = std::vector<std::string>;

// Every character 7 pixels wide.
std::int32_t fixedWidth(std::string_view text)
{
    return static_cast<std::int32_t>(text.size()) * 7;
}

Lines wrap(std::string_view text, std::int32_t columns)
{
    return core::wrapText(text, columns * 7, fixedWidth);
}

TEST(TextWrap, ShortTextStaysOnOneLineVerbatim)
{
    EXPECT_EQ(wrap("Assertion 'a && b' failed.", 40), Lines{"Assertion 'a && b' failed."});
    EXPECT_EQ(wrap("", 40), Lines{""});
}

TEST(TextWrap, NewlinesStartNewLines)
{
    EXPECT_EQ(wrap("first\nsecond", 40), (Lines{"first", "second"}));
    EXPECT_EQ(wrap("ends with a break\n", 40), (Lines{"ends with a break", ""}));
    EXPECT_EQ(wrap("a\n\nb", 40), (Lines{"a", "", "b"}));
    EXPECT_EQ(wrap("dos\r\nline", 40), (Lines{"dos", "line"}));
}

TEST(TextWrap, BreaksBetweenWordsAndDropsTheSpacesAtTheBreak)
{
    EXPECT_EQ(wrap("one two three four", 9), (Lines{"one two", "three", "four"}));
    // Exactly at the limit still fits.
    EXPECT_EQ(wrap("one two three", 7), (Lines{"one two", "three"}));
    EXPECT_EQ(wrap("one   two", 6), (Lines{"one", "two"}));
}

TEST(TextWrap, KeepsSpacesInsideALine)
{
    EXPECT_EQ(wrap("  indented  twice", 40), Lines{"  indented  twice"});
    EXPECT_EQ(wrap("trailing  ", 40), Lines{"trailing  "});
}

TEST(TextWrap, CutsAWordWiderThanTheLine)
{
    EXPECT_EQ(wrap("abcdefghij", 4), (Lines{"abcd", "efgh", "ij"}));
    EXPECT_EQ(wrap("to abcdefghij ok", 4), (Lines{"to", "abcd", "efgh", "ij", "ok"}));
    // Even a limit below one character shows every character.
    EXPECT_EQ(wrap("abc", 0), (Lines{"a", "b", "c"}));
}

TEST(TextWrap, TabsAdvanceToTheNextEighthColumn)
{
    EXPECT_EQ(wrap("a\tb", 40), Lines{"a       b"});
    EXPECT_EQ(wrap("12345678\tx", 40), Lines{"12345678        x"});
    EXPECT_EQ(wrap("x\ny\tz", 40), (Lines{"x", "y       z"}));
}

} // namespace
