// Placeholder: the module loader is being written.
#include "platform/module.h"

namespace platform {}
