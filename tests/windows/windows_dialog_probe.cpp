// Provokes one argument report through the DLL's public interface and says
// whether the call returned. With --display, a second thread waits for the
// error dialog and checks it from inside the process: the text control holds
// the text verbatim and draws "&" literally, and the icon and the button exist.
// Without a display no dialog can be made and the call returns at once.
#include "corvex_engine.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace
{

constexpr char kTitle[] = "Serious error";
int failures = 0;

void check(bool passed, const char* what)
{
    std::printf("%s %s\n", passed ? "ok    " : "FAILED", what);
    std::fflush(stdout);
    failures += passed ? 0 : 1;
}

DWORD WINAPI inspectDialog(void*)
{
    HWND dialog = nullptr;
    for (int attempt = 0; attempt < 300 && (dialog = FindWindowA(nullptr, kTitle)) == nullptr; ++attempt)
        Sleep(100);
    check(dialog != nullptr, "the dialog appears");
    HWND text = GetDlgItem(dialog, 29639);
    char shown[512] = {}, button[16] = {};
    GetWindowTextA(text, shown, sizeof shown);
    check(text != nullptr && std::strcmp(shown, "Assertion 'inParameterId >= 0 && inParameterId < "
                                                "CorvexParameterIds::kNumParameters' failed.\nInvalid parameter ID: 25") == 0,
          "the text control holds the text verbatim");
    const LONG style = GetWindowLongA(text, GWL_STYLE);
    check((style & SS_NOPREFIX) != 0 && (style & SS_TYPEMASK) == SS_LEFT, "the text is left-aligned and shows '&' literally");
    check(GetDlgItem(dialog, 7168) != nullptr, "the icon control exists");
    GetWindowTextA(GetDlgItem(dialog, IDCANCEL), button, sizeof button);
    check(std::strcmp(button, "&OK") == 0, "the button reads &OK");
    std::printf("dialog checked\n");
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const bool withDisplay = argc > 1 && std::strcmp(argv[1], "--display") == 0;
    HANDLE inspector = withDisplay ? CreateThread(nullptr, 0, &inspectDialog, nullptr, 0, nullptr) : nullptr;
    CorvexEngine* engine = createCorvexEngine();
    const ULONGLONG startMs = GetTickCount64();
    engine->getNormalizedValue(25); // an invalid identifier: one report
    const ULONGLONG elapsedMs = GetTickCount64() - startMs;
    std::printf("returned after %llu ms\n", elapsedMs);
    delete engine;
    if (inspector != nullptr)
        check(WaitForSingleObject(inspector, 30000) == WAIT_OBJECT_0, "the inspection ends");
    else
        check(FindWindowA(nullptr, kTitle) == nullptr && elapsedMs < 5000, "headless, the report returns at once");
    return failures;
}
