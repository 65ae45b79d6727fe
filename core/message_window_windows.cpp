#include "core/message_window.h"

#include "core/error_dialog.h"

namespace core
{

void showMessageWindow(const std::string& title, const std::string& text)
{
    ErrorDialog(title.c_str(), text.c_str()).show();
}

} // namespace core
