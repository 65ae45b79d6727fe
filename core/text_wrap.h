#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace core
{

// Breaks text into lines for drawing: at every newline, and between words
// where a line would grow wider than maxWidthPx as measured by widthOf. Spaces
// are kept as they stand except the run at a break, which is dropped; a word
// wider than the limit on its own is cut between characters. Tabs advance to
// the next multiple of eight characters. Carriage returns are dropped.
std::vector<std::string> wrapText(std::string_view text, std::int32_t maxWidthPx,
                                  const std::function<std::int32_t(std::string_view)>& widthOf);

} // namespace core
