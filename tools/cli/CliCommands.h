#pragma once

#include <QCoro/QCoroTask>
#include <QStringList>

// Each subcommand gets the arguments after its name and returns the exit status. Failures are
// thrown (OrvantaError or std::exception); main prints their message and exits with 1.
QCoro::Task<int> runUnderstandCommand(QStringList arguments);
QCoro::Task<int> runRouteCommand(QStringList arguments);
QCoro::Task<int> runTrustCommand(QStringList arguments);
QCoro::Task<int> runAskCommand(QStringList arguments);
