#include "platform/LineReader.h"

namespace kestrum {

bool LineReader::take(const char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        if (enough()) {
            return false;
        }
        if (m_bodyBytes == m_limits.maxBodyBytes) {
            m_capped = true;
            return false;
        }
        ++m_bodyBytes;
        const char c = data[i];
        if (c == '\n') {
            finishLine();
            continue;
        }
        m_lineStarted = true;
        if (c != '\r' && m_line.size() < m_limits.maxLineBytes) {
            m_line.push_back(c);
        }
    }
    return !enough();
}

std::vector<std::string> LineReader::finish() {
    if (m_lineStarted && !enough()) {
        finishLine();
    }
    return std::move(m_lines);
}

bool LineReader::enough() const {
    return m_maxLines > 0 && static_cast<std::int32_t>(m_lines.size()) >= m_maxLines;
}

void LineReader::finishLine() {
    m_lines.push_back(std::move(m_line));
    m_line.clear();
    m_lineStarted = false;
}

} // namespace kestrum
