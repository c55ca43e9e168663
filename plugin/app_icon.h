#pragma once

#include <QIcon>

// The window's icon, drawn by code at 48, 32 and 16 pixels.
QIcon TolvaneIcon();
