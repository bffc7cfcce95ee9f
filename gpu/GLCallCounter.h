#pragma once
// Thin counting layer over the GL calls whose redundancy we care about. All code makes a
// program current through useProgram and binds, sizes and writes array buffers through these,
// so tests can check what a frame uploads by counting rather than by trusting the code.

namespace kal {

struct GLCallCounts {
    long useProgram = 0;      // glUseProgram
    long bindArrayBuffer = 0; // glBindBuffer(GL_ARRAY_BUFFER, ...)
    long bufferData = 0;      // glBufferData(GL_ARRAY_BUFFER, ...)
    long bufferSubData = 0;   // glBufferSubData(GL_ARRAY_BUFFER, ...)
};

// Counts and forwards to glUseProgram; only counts while no GL function table exists.
void useProgram(unsigned program);

// Counts and forwards to glBindBuffer(GL_ARRAY_BUFFER, buffer).
void bindArrayBuffer(unsigned buffer);

// Count and forward to glBufferData / glBufferSubData on GL_ARRAY_BUFFER (dynamic draw).
void arrayBufferData(long bytes, const void* data);
void arrayBufferSubData(long offset, long bytes, const void* data);

// Binds buffer as the array buffer, first creating it with `bytes` of storage when it is 0; an
// existing buffer gets fresh storage of `bytes` only when resize.
void bindArrayStorage(unsigned& buffer, long bytes, bool resize);

// Totals since process start; tests compare differences.
GLCallCounts glCallCounts();

} // namespace kal
