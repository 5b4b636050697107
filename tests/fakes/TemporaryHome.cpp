#include "TemporaryHome.h"
