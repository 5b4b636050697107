#pragma once

class QCoreApplication;

// SIGTERM and SIGINT end the event loop, so stores are closed and the port released. False when
// the handlers cannot be installed.
bool quitOnTerminationSignals(QCoreApplication &app);
