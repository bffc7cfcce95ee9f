#include "tools/ToolRecords.h"

namespace kal {

void registerToolRecords() {
}

} // namespace kal
