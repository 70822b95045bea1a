#pragma once
// X errors on the back end's connections: SDL's (its event connection and the one its wake-ups
// travel on) and the shadows' own. Xlib's default handler prints the error and ends the process,
// yet the usual error here only says that a request reached a window the server had already
// destroyed: SDL's wake-up event sent to a box that has just closed, a shadow restacked beside a
// window that is gone. The handler logs every error and lets the program go on.
namespace SkinUI {

// Installs the handler for the whole process, once; later calls do nothing. Call it before SDL's
// video subsystem starts: SDL keeps the handler it finds there and passes every error on to it
// (when SDL quits it puts that handler back).
void InstallX11ErrorHandler();

}  // namespace SkinUI
