#pragma once

#include <QIcon>

// The application icon at 16, 32 and 48 pixels.
QIcon AppIcon();
