#pragma once

#include <QtGlobal>

class QScreen;

// A stable 32-bit number for a screen: its RandR output id on X11, else a hash of its name.
quint32 displayIdentifier(const QScreen *screen);
