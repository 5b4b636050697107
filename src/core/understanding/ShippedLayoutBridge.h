#pragma once

// Points ORVANTA_PADDLE_OCR_BRIDGE at the orvanta-layout-bridge installed (or built) beside the
// running program, unless the user chose a bridge; an installed Orvanta then routes with the
// bridge it ships. Call once at start, before the first capture is understood.
void useLayoutBridgeBesideProgram();
