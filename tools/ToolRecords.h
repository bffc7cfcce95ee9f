#pragma once
// The file records of the assembly tools (arrays, bi-tools, cables): one explicit call, made
// wherever files are read or written, so every reader is reached.
namespace kal {

void registerToolRecords();

// Every record reader: the mesh, each element family and the tools. Registering again is harmless.
void registerEveryRecord();

} // namespace kal
