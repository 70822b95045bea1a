#pragma once
// The installer with its main window: 0 once the window has closed, 1 when it cannot be shown
// (no display; a build without the window framework says so).
int RunWindow();
