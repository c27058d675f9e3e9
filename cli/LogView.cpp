#include "cli/LogView.h"

#include "base/Utf8Path.h"
#include "cli/Watch.h"

#include <utility>

namespace kestrum::cli {

LogView::LogView(std::string who, std::filesystem::path folder)
    : m_who(std::move(who)), m_folder(std::move(folder)) {}

void LogView::exportsWritten(bool ok) {
    if (!ok) {
        // The writer has logged each file that failed, with its errno.
        logEvent(m_who, "export files not all written in " + utf8FromPath(m_folder));
    }
}

void LogView::closeWindow(std::string reason) {
    logEvent(m_who, reason);
}

} // namespace kestrum::cli
