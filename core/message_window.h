#pragma once

#include <string>

namespace core
{

// Shows title and text in a modal message window and waits until the user
// dismisses it. Where no window can be shown, writes both to stderr.
void showMessageWindow(const std::string& title, const std::string& text);

} // namespace core
