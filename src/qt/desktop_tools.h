#pragma once
#include "desktop/desktop_tools.h"  // IWYU pragma: export
