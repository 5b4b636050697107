#pragma once

#include "capture/ScreenCapturePermission.h"
#include "capture/ScreenSnapshotSource.h"

#include <memory>

// How this session takes frozen pictures and checks access to the screen: the desktop's
// Screenshot portal on Wayland, X11 grabs elsewhere.
std::unique_ptr<ScreenSnapshotSource> makeScreenSnapshotSource();
std::unique_ptr<ScreenCapturePermission> makeScreenCapturePermission();
