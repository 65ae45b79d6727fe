#pragma once

#include <cstdint>
#include <string>

namespace core
{

// The Windows error dialog: a modal dialog without owner, built in memory,
// showing a warning icon, the text on a band of the window colour and one
// button. Escape and the close box dismiss it like the button.
class ErrorDialog
{
public:
    ErrorDialog(const char* title, const char* text);

    // Shows the dialog on the calling thread and returns when it is closed,
    // or at once when it cannot be shown. Always returns 1.
    std::int32_t show();

private:
    std::string title_;
    std::string text_;
};

} // namespace core
