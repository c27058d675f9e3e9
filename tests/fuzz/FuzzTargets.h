#pragma once

// The bodies of the fuzz targets, shared by the libFuzzer programs and by the test that replays
// every kept input. Each aborts when an expectation fails.

#include <cstddef>
#include <cstdint>

namespace kestrum::fuzz {

// Arbitrary bytes, cut into arbitrary pieces, read as lines: the lines hold no LF and no CR,
// respect the caps, and do not depend on how the body was cut.
void lineReader(const std::uint8_t* data, std::size_t size);

// Arbitrary bytes served as the feed: the whole start-up (download, searches, report, export
// texts) and a refresh, on a history that may hold anything.
void feed(const std::uint8_t* data, std::size_t size);

// A random history (lines of any bytes, up to the table's 300), a random play type, plan shape
// and range of formulas: the counting search and the literal one leave the same candidates,
// best formula and engine state.
void differential(const std::uint8_t* data, std::size_t size);

// Arbitrary bytes as a settings file: read without a crash, and what is accepted holds only
// web addresses and a named data folder.
void settingsFile(const std::uint8_t* data, std::size_t size);

// Arbitrary bytes as the feed file of kestrum-cli: read as the program reads a file, the start-up
// of a lottery on its lines, and the plan's text and JSON of every play type.
void cliFeed(const std::uint8_t* data, std::size_t size);

} // namespace kestrum::fuzz
