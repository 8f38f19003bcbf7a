#pragma once

// A device header that reaches up to the main window: the layer check must
// refuse it.

#include "app/MainWnd.h"
#include "device/HidDevice.h"
