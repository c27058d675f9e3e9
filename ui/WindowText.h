#pragma once

// Texts from the commands as the window's controls take them.

#include <QString>
#include <string>
#include <string_view>

class QPlainTextEdit;

namespace kestrum {

QString fromUtf8(std::string_view text);

// Pane texts join their lines with CR LF; the text box takes LF alone.
QString paneText(const std::string& text);

void scrollToEnd(QPlainTextEdit* pane);

} // namespace kestrum
