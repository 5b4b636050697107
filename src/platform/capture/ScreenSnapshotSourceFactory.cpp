#include "ScreenSnapshotSourceFactory.h"

#include "x11/X11ScreenSnapshotSource.h"

std::unique_ptr<ScreenSnapshotSource> makeScreenSnapshotSource()
{
    return std::make_unique<X11ScreenSnapshotSource>();
}
