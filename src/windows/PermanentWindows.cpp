// SPDX-License-Identifier: MIT
#include "windows/PermanentWindows.h"

// The Live window's code is in LiveWindow.cpp.
