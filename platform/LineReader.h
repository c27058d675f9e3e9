#pragma once

// The body of a response read as lines: split at LF, every CR dropped, a last line without LF
// kept, blank lines kept; no more lines than asked for, no line longer than its cap and no
// more body than its cap.

#include <cstdint>
#include <string>
#include <vector>

namespace kestrum {

struct LineLimits {
    // A longer line is cut there; the rest of it, up to its LF, is dropped.
    std::size_t maxLineBytes = 64 * 1024;
    // At most this much of a body is read; the lines so far are delivered.
    std::size_t maxBodyBytes = 1024 * 1024;
};

class LineReader {
public:
    // maxLines <= 0: as many lines as the body holds.
    LineReader(LineLimits limits, std::int32_t maxLines) : m_limits(limits), m_maxLines(maxLines) {}

    // Takes the next piece of the body; false when no more is wanted.
    bool take(const char* data, std::size_t size);

    // The body has ended (or was cut): the lines read.
    std::vector<std::string> finish();

    // Enough lines are in, or the body reached its cap.
    bool enough() const;
    bool capped() const { return m_capped; }

private:
    void finishLine();

    LineLimits m_limits;
    std::int32_t m_maxLines;
    std::vector<std::string> m_lines;
    std::string m_line;
    bool m_lineStarted = false;
    std::size_t m_bodyBytes = 0;
    bool m_capped = false;
};

} // namespace kestrum
