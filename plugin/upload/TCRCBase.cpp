#include "plugin/upload/TCRCBase.h"

// Out of line so that the vtable is emitted once, here.
TCRCBase::~TCRCBase() = default;
