#include "base/unique_handle.h"
