#pragma once

namespace kestrum {

// How a draw source's body is read: the feed's own draw lines, or records mapped to draws.
enum class SourceFormat { Lines, Json, Csv };

} // namespace kestrum
