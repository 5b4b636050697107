#pragma once

#include <QString>

#include <exception>
#include <string>

// Base of every error a subsystem reports. Each subsystem derives one type whose cases carry
// fixed English messages; callers show message() unchanged.
class OrvantaError : public std::exception
{
public:
    virtual QString message() const = 0;
    const char *what() const noexcept override;

private:
    mutable std::string m_what;
};

// Failures of a library (transport, decoding, file I/O) that carry the library's own text.
class LibraryError : public OrvantaError
{
public:
    explicit LibraryError(QString text) : m_text(std::move(text)) {}
    QString message() const override { return m_text; }

private:
    QString m_text;
};

// The message of any exception as the user should see it.
QString messageOf(const std::exception &error);
QString messageOf(const std::exception_ptr &error);
