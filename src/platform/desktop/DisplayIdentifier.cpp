#include "DisplayIdentifier.h"

#include "x11/X11Desktop.h"

#include <QHash>
#include <QScreen>

quint32 displayIdentifier(const QScreen *screen)
{
    if (const std::optional<quint32> output = X11Desktop::randrOutputID(screen->name()))
        return *output;
    return quint32(qHash(screen->name()));
}
