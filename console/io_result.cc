#include "console/io_result.h"

constinit thread_local std::int32_t IOResultCode = 0;
