#pragma once

// The records of a JSON or CSV body, handed one by one, in body order, to a sink: the two
// fields that the source's mapping names. What makes a record a draw is the sink's concern.

#include "draws/DrawRecord.h"
#include "draws/DrawSource.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kestrum {

using RecordSink = std::function<void(const RecordField& period, const RecordField& digits)>;

// Each element of the array at mapping.records is a record; an element that is not an object
// reaches the sink with both fields Other. Returns why the body is not draws (it is not JSON,
// or is cut short; mapping.records is no JSON Pointer or names no array; the array is empty),
// else nothing; the sink may have had records either way.
std::optional<std::string> readJsonRecords(std::string_view body, const SourceMapping& mapping,
                                           const RecordSink& sink);

// The first row is the header, which names the columns; each further row is a record, whose
// cells are Text, a row too short for a column Missing. Quoted cells may hold commas, quotes
// and line ends; blanks around an unquoted cell are dropped; empty rows are skipped. Returns
// why the body is not draws (a column that the header lacks, no row after the header, a
// quoted cell left open at the end), else nothing.
std::optional<std::string> readCsvRecords(std::string_view body, const SourceMapping& mapping,
                                          const RecordSink& sink);

// "the top level" or the pointer quoted, for messages.
std::string recordsName(const SourceMapping& mapping);

} // namespace kestrum
