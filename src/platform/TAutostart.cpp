#include "platform/TAutostart.h"
