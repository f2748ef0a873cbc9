#include "console/io_result.h"

thread_local std::int32_t IOResultCode = 0;
