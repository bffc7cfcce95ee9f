#pragma once
// The mesh operations against the plain forms of the reference library, record for record. Each
// runs in parallel blocks of a few records (so that the fixtures' small stores take the parallel
// paths too) and on one thread, which must give the same records.
#include <functional>

#include "MeshInvariants.h"
#include "ParallelModeScope.h"
#include "foundation/Parallel.h"
#include "mesh/Mesh.h"
#include "reference/ReferenceMesh.h"

namespace kal::test {

// op in small blocks; the same on one thread must give its records.
inline Mesh runOnEveryPath(const Mesh& source, const std::function<void(Mesh&)>& op) {
    Mesh split = source, serial = source;
    {
        ParallelModeScope mode(smallBlocks);
        op(split);
    }
    {
        ParallelModeScope mode(oneThread);
        op(serial);
    }
    expectSameRecords(split, serial);
    return split;
}

// op against its plain form.
inline void expectSameAsReference(const Mesh& source, const std::function<void(Mesh&)>& op,
                                  const std::function<void(Mesh&)>& reference) {
    Mesh plain = source;
    reference(plain);
    expectSameRecords(runOnEveryPath(source, op), plain);
}

// op, whose renormals are local, against the same records with every normal recomputed
// (updateNormals(mode)).
inline void expectWholeRenormals(const Mesh& source, const std::function<void(Mesh&)>& op, int mode) {
    const Mesh done = runOnEveryPath(source, op);
    Mesh renormalled = done;
    renormalled.updateNormals(mode);
    expectSameRecords(done, renormalled);
    EXPECT_MESH_VALID(done);
}

} // namespace kal::test
