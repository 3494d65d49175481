#include "app/Globals.h"

KOTOPANE_GLOBALS Globals;
