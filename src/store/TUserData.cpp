#include "store/TUserData.h"
