#pragma once
// For tests: the mesh operations that skip what cannot change (cuts and clips over the records
// near the cut, deletions in one pass, purges renaming through a table, local renormals) run
// their plain forms instead, which must give the same records.
namespace kal {

void setPlainPasses(bool on);
bool plainPasses();

} // namespace kal
