#include "gpu/TextureUnits.h"

namespace kal {

int textureUnitCounter = 0;

int takeTextureUnit() { return textureUnitCounter++; }

void giveBackTextureUnit() {
    if (textureUnitCounter > 0) --textureUnitCounter;
}

} // namespace kal
