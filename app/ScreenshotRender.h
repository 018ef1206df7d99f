// Renders the main window with a few sample missions, their speed history
// and the operation log to a PNG, without a display, a library or a service:
// the picture of the README.
#pragma once

#include <QString>

// Returns 0 when the picture was written. Runs in a temporary working
// folder, so no mission or options file of the user is touched.
int RenderScreenshot(int& argc, char** argv, const QString& strPngPath);
