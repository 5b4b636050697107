#include "DevServerLog.h"

Q_LOGGING_CATEGORY(lcDevServer, "orvanta.devserver", QtInfoMsg)
