#include "store/TIniFile.h"
