#include "platform/AnsiCodePage.h"
