#include "OrvantaError.h"

const char *OrvantaError::what() const noexcept
{
    try {
        m_what = message().toStdString();
    } catch (...) {
        return "Orvanta error";
    }
    return m_what.c_str();
}

QString messageOf(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const OrvantaError *>(&error))
        return own->message();
    return QString::fromUtf8(error.what());
}

QString messageOf(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception &exception) {
        return messageOf(exception);
    } catch (...) {
        return QStringLiteral("An unexpected error occurred.");
    }
}
