#pragma once

#include <QString>

#include <functional>
#include <optional>

// Asks the user where to save a PNG. The completion gets the chosen path, or none when the
// user cancelled.
class SavePanel
{
public:
    virtual ~SavePanel() = default;
    virtual void chooseSaveLocation(const QString &suggestedFileName,
                                    std::function<void(std::optional<QString>)> completion) = 0;
};
