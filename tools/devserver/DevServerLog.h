#pragma once

#include <QLoggingCategory>

// Request lines and failures of the development server. Never log a token, code or key.
Q_DECLARE_LOGGING_CATEGORY(lcDevServer)
