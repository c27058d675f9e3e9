#include "platform/Browser.h"

#include "base/WebAddress.h"
#include "platform/windows/WideText.h"

#include <windows.h>
// shellapi.h needs the types that windows.h declares.
#include <shellapi.h>

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
