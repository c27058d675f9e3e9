#include "ui/WindowText.h"

#include <QPlainTextEdit>
#include <QScrollBar>

namespace kestrum {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString paneText(const std::string& text) {
    QString shown = fromUtf8(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.remove(QLatin1Char('\r'));
    return shown;
}

void scrollToEnd(QPlainTextEdit* pane) {
    pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
}

} // namespace kestrum
