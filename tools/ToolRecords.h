#pragma once
// The file records of the assembly tools (arrays, bi-tools, cables); registerAll() makes the call.
namespace kal {

void registerToolRecords();

} // namespace kal
