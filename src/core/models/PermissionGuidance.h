#pragma once

#include <QString>

enum class PermissionGuidanceAction { openSystemSettings };

// A help card telling the user how to grant a missing permission.
struct PermissionGuidance
{
    QString title;
    QString message;
    QString actionTitle;
    PermissionGuidanceAction action = PermissionGuidanceAction::openSystemSettings;

    bool operator==(const PermissionGuidance &) const = default;
};
