#include "TestElement.h"

namespace kal::test {
int TestElement::live = 0;
}
