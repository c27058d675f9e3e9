#pragma once

#include <optional>
#include <string_view>

namespace kestrum {

// How a draw source's body is read: the feed's own draw lines, or records mapped to draws.
enum class SourceFormat { Lines, Json, Csv };

// The format's name as the settings file writes it: "lines", "json" or "csv".
constexpr std::string_view sourceFormatName(SourceFormat format) {
    switch (format) {
    case SourceFormat::Json:
        return "json";
    case SourceFormat::Csv:
        return "csv";
    case SourceFormat::Lines:
        break;
    }
    return "lines";
}

// The format of that name, or nothing.
constexpr std::optional<SourceFormat> sourceFormatNamed(std::string_view name) {
    for (const SourceFormat format : {SourceFormat::Lines, SourceFormat::Json, SourceFormat::Csv}) {
        if (sourceFormatName(format) == name) {
            return format;
        }
    }
    return std::nullopt;
}

} // namespace kestrum
