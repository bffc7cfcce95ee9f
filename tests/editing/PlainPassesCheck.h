#pragma once
// The shortcuts of the mesh operations (passes over the records that can take part, parallel
// blocks, local renormals) against their plain passes over every record, record for record. The
// parallel loops run in blocks of a few records, so that the fixtures' small stores take the
// parallel paths too.
#include <functional>

#include "MeshInvariants.h"
#include "foundation/Parallel.h"
#include "mesh/Mesh.h"
#include "mesh/MeshShortcuts.h"

namespace kal::test {

inline void expectSameAsPlainPasses(const Mesh& source, const std::function<void(Mesh&)>& op) {
    Mesh quick = source, plain = source;
    const ParallelMode mode = parallelMode();
    setParallelMode({false, true});
    op(quick);
    setParallelMode(mode);
    setPlainPasses(true);
    op(plain);
    setPlainPasses(false);
    expectSameRecords(quick, plain);
}

} // namespace kal::test
