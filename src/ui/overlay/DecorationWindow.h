#pragma once

class QWidget;

// Makes `window` a decoration over the captured region: frameless, above ordinary windows,
// translucent, never focused and transparent for input, so clicks reach what lies beneath.
// Call before the window is first shown.
void makeDecorationWindow(QWidget *window);
