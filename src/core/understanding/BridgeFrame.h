#pragma once

#include <QByteArray>
#include <QImage>

#include <cstdio>
#include <optional>

// One capture as a serving layout bridge takes it on standard input: the line
// "grey8 WIDTH HEIGHT", then the 8-bit grey pixels row after row. Grey is all the bridge reads,
// and a quarter of the bytes of colour; no file and no PNG to encode and decode.
class BridgeFrame
{
public:
    // Larger captures are no screen's: a header asking for more is malformed.
    static constexpr qint64 maximumPixels = 64'000'000;

    // The frame of a capture, grey exactly as the bridge would make it from the capture's PNG.
    static QByteArray encode(const QImage &capture);

    // The next frame's image; nothing when the input ends before a frame begins. Throws
    // LibraryError with the reason when the header is malformed or the pixels end early.
    static std::optional<QImage> read(std::FILE *input);
};
