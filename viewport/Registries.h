#pragma once
// One place fills every registry the lower layers look things up in: the element and tool
// readers, the placeholder element, the clay factory, the OBJ mesh writer and the mesh gesture
// handler. main() and the test mains call it once, before anything reads, writes or sculpts.
namespace kal {

void registerAll();

} // namespace kal
