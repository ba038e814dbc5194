#include "store/TZipFile.h"
