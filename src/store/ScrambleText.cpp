#include "store/ScrambleText.h"
