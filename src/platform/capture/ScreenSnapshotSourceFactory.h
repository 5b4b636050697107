#pragma once

#include "capture/ScreenSnapshotSource.h"

#include <memory>

// Picks how frozen pictures are taken in this session: X11 grabs (the only backend so far; a
// Wayland session gets the Screenshot portal here once it exists).
std::unique_ptr<ScreenSnapshotSource> makeScreenSnapshotSource();
