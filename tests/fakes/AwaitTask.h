#pragma once

#include "support/OrvantaError.h"

#include <QCoro/QCoroTask>

#include <exception>
#include <optional>

// Runs a task to its end in a nested event loop and returns its value or rethrows its error.
// QCoro 0.8's waitFor() never returns when the task throws, so the error is caught inside.
template<typename T> T awaitTask(QCoro::Task<T> task)
{
    std::optional<T> value;
    std::exception_ptr error;
    QCoro::waitFor([](QCoro::Task<T> task, std::optional<T> *value, std::exception_ptr *error) -> QCoro::Task<> {
        try {
            value->emplace(co_await std::move(task));
        } catch (...) {
            *error = std::current_exception();
        }
    }(std::move(task), &value, &error));
    if (error)
        std::rethrow_exception(error);
    return std::move(*value);
}

// A task's value, or the message of the error it ended with.
template<typename T> struct TaskOutcome
{
    std::optional<T> value;
    QString error;
};

template<typename T> TaskOutcome<T> runToEnd(QCoro::Task<T> task)
{
    TaskOutcome<T> outcome;
    try {
        outcome.value = awaitTask(std::move(task));
    } catch (const std::exception &error) {
        outcome.error = messageOf(error);
    }
    return outcome;
}

// The message of the error the task ends with; empty when it succeeds.
template<typename T> QString failureMessage(QCoro::Task<T> task)
{
    return runToEnd(std::move(task)).error;
}
