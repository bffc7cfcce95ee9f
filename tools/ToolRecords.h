#pragma once
// The file records of the assembly tools (arrays, bi-tools, cables): one explicit call, made
// wherever files are read or written, so every reader is reached.
namespace kal {

void registerToolRecords();

} // namespace kal
