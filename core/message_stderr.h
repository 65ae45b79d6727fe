#pragma once

#include <string>

namespace core
{

// Writes a message window's title and text to stderr, for when no window can be shown.
void writeMessageToStderr(const std::string& title, const std::string& text);

} // namespace core
