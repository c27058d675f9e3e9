#pragma once

// The desktop's browser, for a program without a window of its own.

#include <string>

namespace kestrum {

// Hands an http or https address to the desktop's opener, which shows it in the user's
// browser, and returns without waiting for the browser. False when no opener could be started
// or the address is not http or https.
bool openInBrowser(const std::string& url);

} // namespace kestrum
