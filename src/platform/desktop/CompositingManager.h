#pragma once

// Whether translucent windows can be drawn on this desktop: always on Wayland, on X11 only while
// a compositing manager owns the _NET_WM_CM_Sn selection of the default screen.
bool compositingManagerIsRunning();
