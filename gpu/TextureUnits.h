#pragma once
// Texture units are handed out by one process-wide counter used as a stack: every
// texture bind takes the next unit, every unbind gives one back. Each texture
// remembers its own unit, so out-of-order unbinds still free the right units.

namespace kal {

// How many texture units are currently taken. Starts at 0.
extern int textureUnitCounter;

// Takes the next free unit and answers its index.
int takeTextureUnit();

// Gives one unit back; the counter never goes below 0.
void giveBackTextureUnit();

} // namespace kal
