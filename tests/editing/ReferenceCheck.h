#pragma once
// The mesh operations against the plain forms of the reference library, record for record. Each
// runs in the blocks its records fall into and on one thread, which must give the same records;
// the fixtures that should cross block boundaries are large enough to.
#include <functional>

#include "MeshInvariants.h"
#include "OneThreadScope.h"
#include "mesh/Mesh.h"
#include "reference/ReferenceMesh.h"

namespace kal::test {

// op as it runs; the same on one thread must give its records.
inline Mesh runOnEveryPath(const Mesh& source, const std::function<void(Mesh&)>& op) {
    Mesh split = source, serial = source;
    op(split);
    {
        OneThreadScope one;
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
// (updateNormals(which)).
inline void expectWholeRenormals(const Mesh& source, const std::function<void(Mesh&)>& op, NormalUpdate which) {
    const Mesh done = runOnEveryPath(source, op);
    Mesh renormalled = done;
    renormalled.updateNormals(which);
    expectSameRecords(done, renormalled);
    EXPECT_MESH_VALID(done);
}

} // namespace kal::test
