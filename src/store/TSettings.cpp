#include "store/TSettings.h"
