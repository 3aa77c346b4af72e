// The program's entry. The runtime calls it once and ends the process with its result.
#pragma once

#include "platform/Platform.h"

// Reads Name and Title from GAME.INI, lets one copy of the game run, checks for DirectX 8.1
// and hands over to the game module's run. Always 0; throws OCErrorException when the user
// chooses Abort in the file-error dialog.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
