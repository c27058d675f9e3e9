#include "platform/Browser.h"

#include "base/WebAddress.h"
#include "platform/windows/WideText.h"

// clang-format off
#include <windows.h>
#include <shellapi.h> // after windows.h, whose types it uses
// clang-format on

namespace kestrum {

bool openInBrowser(const std::string& url) {
    if (!isWebAddress(url)) {
        return false;
    }
    // The shell hands an http or https address to the user's default browser and returns.
    const HINSTANCE result = ShellExecuteW(nullptr, L"open", windows::toWide(url).c_str(), nullptr,
                                           nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

} // namespace kestrum
